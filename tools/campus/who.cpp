// The words that say who does something.
#include "tools/campus/who.h"

namespace zelta::campus {

Who TakeWho(Args& a, std::string account, WhoWords words) {
    Who who{std::move(account), 0, {}, false};
    for (;;) {
        if (a.Accept("as")) {
            who.account = a.Next("an account");
        } else if (a.Accept("session")) {
            who.session = a.Unsigned("a session number");
        } else if (words.named && a.Accept("named")) {
            who.label = a.Next("a label");
        } else if (words.fromNetwork && a.Accept("from-network")) {
            who.network = true;
        } else {
            return who;
        }
    }
}

}  // namespace zelta::campus
