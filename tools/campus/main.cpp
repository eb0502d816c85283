// zelta-campus: runs scenarios of the dialer on a simulated campus and prints what happened.
#include <cstring>
#include <exception>
#include <iostream>

#include "tools/campus/runner.h"

namespace {

constexpr const char* kUsage =
    "usage: zelta-campus [--quiet] SCENARIO...\n"
    "Runs each scenario on a fresh simulated campus and prints its transcript; see docs/scenarios.md.\n"
    "  --quiet   only the expectations that did not hold, and the summary\n"
    "Exit status: 0 every expectation held, 1 some did not, 2 a scenario could not be run.\n";

}  // namespace

int main(int argc, char** argv) {
    bool quiet = false;
    std::vector<std::string> files;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--quiet") == 0) {
            quiet = true;
        } else if (std::strcmp(argv[i], "--help") == 0) {
            // Asked for: the answer is the output, and nothing went wrong.
            std::cout << kUsage;
            return 0;
        } else if (argv[i][0] == '-') {
            std::cerr << "zelta-campus: unknown option " << argv[i] << "\n" << kUsage;
            return 2;
        } else {
            files.emplace_back(argv[i]);
        }
    }
    if (files.empty()) {
        std::cerr << kUsage;
        return 2;
    }

    int failures = 0;
    for (const std::string& file : files) {
        zelta::campus::Runner runner(std::cout, quiet);
        // 1 says an expectation failed; anything that stops the run itself is 2.
        try {
            failures += runner.RunFile(file);
        } catch (const zelta::campus::ScenarioError& e) {
            std::cout << e.what() << '\n';
            return 2;
        } catch (const std::exception& e) {
            std::cout << file << ": zelta-campus could not go on: " << e.what() << '\n';
            return 2;
        } catch (...) {
            std::cout << file << ": zelta-campus could not go on\n";
            return 2;
        }
    }
    if (failures == 0) {
        std::cout << "all expectations held\n";
        return 0;
    }
    std::cout << failures << (failures == 1 ? " expectation" : " expectations") << " did not hold\n";
    return 1;
}
