// ResourceSet look-ups with the language fallback Windows applies.
#include "platform/sim/resource_set.h"

namespace zelta {
namespace {

constexpr int kEnglish = 1033;

template <typename T>
const T* Find(const std::vector<T>& items, int id, int language) {
    const T* fallback = nullptr;
    for (const T& item : items) {
        if (item.id != id) continue;
        if (item.language == language) return &item;
        if (item.language == kEnglish) fallback = &item;
    }
    return fallback;
}

}  // namespace

const DialogTemplate* ResourceSet::Dialog(int id, int language) const { return Find(dialogs, id, language); }
const MenuTemplate* ResourceSet::Menu(int id, int language) const { return Find(menus, id, language); }
const StringTemplate* ResourceSet::String(int id, int language) const { return Find(strings, id, language); }

}  // namespace zelta
