#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace oxv {

// The settings store: named text values in sections, as an INI file holds
// them. The viewer points it at the INI file beside its executable, tools at
// a file they are given, tests at memory.
class Profile {
public:
    virtual ~Profile() = default;
    virtual std::optional<std::string> ReadString(std::string_view section, std::string_view key) = 0;
    // False when the value could not be stored; callers may ignore it.
    [[nodiscard]] virtual bool WriteString(std::string_view section, std::string_view key, std::string_view value) = 0;
};

// Settings that live only as long as the object: for tools run without a
// settings file, and for tests.
class MemoryProfile final : public Profile {
public:
    std::optional<std::string> ReadString(std::string_view section, std::string_view key) override
    {
        auto it = m_values.find({std::string(section), std::string(key)});
        if (it == m_values.end()) return std::nullopt;
        return it->second;
    }
    [[nodiscard]] bool WriteString(std::string_view section, std::string_view key, std::string_view value) override
    {
        m_values[{std::string(section), std::string(key)}] = std::string(value);
        return true;
    }

private:
    std::map<std::pair<std::string, std::string>, std::string> m_values;
};

}  // namespace oxv
