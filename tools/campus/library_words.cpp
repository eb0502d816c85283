// Windows' own uses of the "Zelta VPN" entry, which reach zeltavpn.dll: the dial dialog, the
// properties dialog, deleting the entry, hanging it up, a plain RasDial, and regsvr32. Each runs in a
// program of its own that loads the library named by the entry (or given to regsvr32).
#include "common/shared_names.h"
#include "customdial/custom_dialer.h"
#include "customdial/zeltavpn_resources.h"
#include "tools/campus/runner.h"

namespace zelta::campus {
namespace {

constexpr WindowHandle kNetworkConnectionsWindow{0x7FF10};  // the owner Windows' dialogs would have

// What a program of Windows does with the library, given it; returns the call's result.
using LibraryUse = std::function<int(sim::SimProcess&, CustomDialLibrary&)>;

// Runs `use` in a new program `image` that loads the library at `path` (when empty, the custom dialer
// of the entry in `phonebook`); records and prints the result under `what`. Returns the label.
std::string RunWithLibrary(Runner& r, const std::string& image, const std::string& account, std::string path,
                           const std::string& what, LibraryUse use, const std::string& phonebook = {}) {
    if (path.empty()) {
        const auto& entries = r.host().machine().PhonebookAt(phonebook).entries;
        const auto entry = entries.find(std::string(kEntryName));
        if (entry == entries.end() || entry->second.szCustomDialDll.empty())
            throw ScenarioError(r.current().Where() + ": the \"Zelta VPN\" entry" +
                                (phonebook.empty() ? "" : " in " + phonebook) + " names no custom dialer");
        path = entry->second.szCustomDialDll;
    }
    const std::string label = r.NewLabel(image);
    r.Print("start", label + " as " + account + ": " + what);
    r.processes[label] = &r.host().Start(image, account, [&r, path, what, label, use](sim::SimProcess& p) {
        CustomDialLibrary* library = p.LoadLibrary(path);
        if (!library) {
            r.Print("invoke", what + ": " + path + " cannot be loaded");
            return 1;
        }
        const int result = use(p, *library);
        p.UnloadLibraries();
        r.results[label] = result;
        r.lastInvoke = label;
        r.Print("invoke", what + " = " + std::to_string(result));
        return 0;
    }, {}, label);
    r.host().RunFor(0);
    return label;
}

std::string AccountOption(Args& a, std::string account) {
    if (a.Accept("as")) account = a.Next("an account");
    return account;
}

Action RasDialDialog(Args& a) {
    RasDialDlgInfo info;
    if (a.Accept("owner")) info.hwndOwner = kNetworkConnectionsWindow;
    if (a.Accept("at")) {
        info.dwFlags |= kRasDialDlgPosition;
        info.xDlg = static_cast<std::int32_t>(a.Number("x"));
        info.yDlg = static_cast<std::int32_t>(a.Number("y"));
    }
    const std::string book = a.Option("phonebook", "a phonebook path");
    const std::string account = AccountOption(a, "User");
    a.RequireDone();
    return [=](Runner& r) {
        // The record the library was given, as the caller finds it afterwards.
        auto record = std::make_shared<RasDialDlgInfo>(info);
        const std::string label = RunWithLibrary(r, "rasphone.exe", account, {}, "RasCustomDialDlg",
                                                 [book, record](sim::SimProcess&, CustomDialLibrary& l) {
            return l.RasCustomDialDlg(book, std::string(kEntryName), std::nullopt, record.get()) ? 1 : 0;
        }, book);
        r.dialDialogs[label] = record;
    };
}

Action EntryProperties(Args& a) {
    const std::string book = a.Option("phonebook", "a phonebook path");
    const std::string account = AccountOption(a, "User");
    a.RequireDone();
    return [=](Runner& r) {
        RunWithLibrary(r, "rasphone.exe", account, {}, "RasCustomEntryDlg", [book](sim::SimProcess&, CustomDialLibrary& l) {
            return l.RasCustomEntryDlg(book, kEntryName) ? 1 : 0;
        }, book);
    };
}

Action DeleteEntry(Args& a) {
    const std::string book = a.Option("phonebook", "a phonebook path");
    const std::string account = AccountOption(a, "User");
    a.RequireDone();
    return [=](Runner& r) {
        RunWithLibrary(r, "rasphone.exe", account, {}, "RasCustomDeleteEntryNotify", [book](sim::SimProcess&, CustomDialLibrary& l) {
            return static_cast<int>(l.RasCustomDeleteEntryNotify(book, kEntryName));
        }, book);
    };
}

Action HangUpEntry(Args& a) {
    const std::string account = AccountOption(a, "User");
    a.RequireDone();
    return [=](Runner& r) {
        RasConnectionHandle connection;
        for (const sim::SimConnection& c : r.host().machine().connections)
            if (!c.hangingUp && EqualsNoCase(c.entry, kEntryName)) connection = c.handle;
        RunWithLibrary(r, "rasphone.exe", account, {}, "RasCustomHangUp", [connection](sim::SimProcess&, CustomDialLibrary& l) {
            return static_cast<int>(l.RasCustomHangUp(connection));
        });
    };
}

// rasdial.exe: a plain RasDial of the entry, without the custom-dial mark.
Action RasDial(Args& a) {
    const std::string user = a.Next("a user name");
    const std::string password = a.Next("a password");
    const std::string account = AccountOption(a, "User");
    a.RequireDone();
    return [=](Runner& r) {
        const std::string label = r.NewLabel("rasdial.exe");
        r.Print("start", label + " as " + account + ": RasDial \"Zelta VPN\"");
        r.processes[label] = &r.host().Start("rasdial.exe", account, [&r, user, password, label](sim::SimProcess& p) {
            RasDialParams params;
            params.szEntryName = std::string(kEntryName);
            params.szUserName = user;
            params.szPassword.Assign(password);
            RasConnectionHandle connection;
            const Win32Error rc = p.platform().remoteAccess.DialWith(RasDialExtensions{}, "", params, RasNotifier{}, connection);
            p.UnloadLibraries();
            r.results[label] = static_cast<int>(rc);
            r.lastInvoke = label;
            r.Print("invoke", "RasDial = " + std::to_string(rc));
            return static_cast<int>(rc);
        }, {}, label);
        r.host().RunFor(0);
    };
}

Action Regsvr32(Args& a) {
    const std::string path = a.Next("a library path");
    const bool unregister = a.Accept("/u");
    const std::string account = AccountOption(a, "SYSTEM");
    a.RequireDone();
    return [=](Runner& r) {
        const std::string resolved = r.host().files().Resolve(path);
        RunWithLibrary(r, "regsvr32.exe", account, resolved, unregister ? "DllUnregisterServer" : "DllRegisterServer",
                       [unregister](sim::SimProcess&, CustomDialLibrary& l) {
                           return static_cast<int>(unregister ? l.DllUnregisterServer() : l.DllRegisterServer());
                       });
    };
}

}  // namespace

void AddLibraryImages(sim::SimHost& host) {
    host.AddLibraryImage(
        "zeltavpn.dll",
        [](Platform& platform, const std::string& path, std::uintptr_t module) {
            return std::make_unique<CustomDialer>(platform, path, module);
        },
        ZeltavpnResources());
}

void AddLibraryWords(std::vector<Word>& words) {
    words.insert(words.end(), {{"rasdial-dialog", RasDialDialog},
                               {"entry-properties", EntryProperties},
                               {"delete-entry", DeleteEntry},
                               {"hang-up-entry", HangUpEntry},
                               {"rasdial", RasDial},
                               {"regsvr32", Regsvr32}});
}

}  // namespace zelta::campus
