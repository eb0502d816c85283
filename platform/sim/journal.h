// Journal: what happens on the simulated machine, told as it happens (a registry write, a command
// run, a log record...). zelta-campus prints it as the transcript; tests may ignore it.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace zelta::sim {

class Journal {
public:
    using Sink = std::function<void(std::string_view kind, std::string_view text)>;

    void SetSink(Sink sink) { m_sink = std::move(sink); }
    void Note(std::string_view kind, std::string_view text) const {
        if (m_sink) m_sink(kind, text);
    }

private:
    Sink m_sink;
};

// Bytes as "02 31 30", for the transcript.
std::string HexBytes(const void* data, std::size_t size);

}  // namespace zelta::sim
