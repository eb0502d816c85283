// Names the scenario language gives to the product's and the platform's values.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/remote_access.h"
#include "platform/service_manager.h"

namespace zelta::campus {

std::optional<ServiceStartType> StartTypeNamed(std::string_view word);
std::optional<ServiceState> ServiceStateNamed(std::string_view word);

// Phonebook entry fields by their Windows names: read as text, written from text. Numbers read as
// decimal, except dwfOptions, which reads as 0x%08X.
bool IsEntryField(std::string_view field);
// Every field's name, in the record's order.
std::vector<std::string> EntryFieldNames();
std::string EntryField(const RasEntry& entry, std::string_view field);
// Returns false when `value` does not suit the field.
bool SetEntryField(RasEntry& entry, std::string_view field, const std::string& value);
// Compares a field with an expected text: numbers by value, texts exactly.
bool EntryFieldEquals(const RasEntry& entry, std::string_view field, const std::string& expected);

}  // namespace zelta::campus
