// The user-defaults store: one process-wide typed key-value store with
// registered defaults, persisted as a JSON object in
// $XDG_CONFIG_HOME/lumra/defaults.json (else $HOME/.config/lumra/).
//
// Reads answer the stored value, else the registered default, else the
// type's zero. Registered defaults live only in memory. Every write replaces
// the file atomically (mode 0600) before the call returns, so a crash never
// leaves a partial file. A file that cannot be read or parsed, or that is
// no regular file, larger than 1 MiB or nested deeper than 64 levels, is
// renamed aside ("defaults.json.corrupt-<UTC time>") whole before anything
// new is written, and the store starts from the registered defaults; when it
// cannot be moved aside, nothing is ever written over it and the values
// stay in memory. Keys and values the store does not use (other types, other
// keys, duplicate keys, numbers beyond a double's precision) are written
// back as the exact text they had. A symbolic link is written through: the
// file it names is replaced atomically and the link stays. One process owns
// the directory (the
// application runs once per user): loading removes the temporary files a
// writer killed mid-write left behind. Each write costs an fsync, so callers
// that change a value continuously (window frames while dragging) save when
// the change ends.
//
// Threads: every method may be called from any thread; one internal mutex
// guards the values and the file, and is never held while observers run.
// Observers are called synchronously on the writing thread, after the new
// value is stored and written; in the application every writer is on the
// main actor, so observers run there.
#pragma once

#include "concurrency/Published.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <variant>

namespace lumra {

class DefaultsStore {
public:
    using Value = std::variant<bool, std::int64_t, double, std::string>;

    // Loads <directory>/defaults.json. An empty path keeps everything in
    // memory (no home directory to store into).
    explicit DefaultsStore(std::filesystem::path directory);
    ~DefaultsStore();
    DefaultsStore(const DefaultsStore&) = delete;
    DefaultsStore& operator=(const DefaultsStore&) = delete;

    // The process-wide store over defaultDirectory(), built on first use.
    static std::shared_ptr<DefaultsStore> shared();
    // $XDG_CONFIG_HOME/lumra when that variable holds an absolute path, else
    // $HOME/.config/lumra (the password database's home when HOME is unset
    // or relative); empty when there is no home at all.
    static std::filesystem::path defaultDirectory();

    std::filesystem::path filePath() const;

    // Adds or replaces defaults; observers of keys whose read value changes
    // are told.
    void registerDefaults(const std::map<std::string, Value>& defaults);

    // A number reads as true when non-zero; other types read as false.
    bool boolForKey(const std::string& key) const;
    // Booleans read as 0 or 1, doubles truncated and clamped; other types 0.
    std::int64_t integerForKey(const std::string& key) const;
    // Booleans read as 0 or 1; other types as 0.
    double doubleForKey(const std::string& key) const;
    // Only strings; any other value reads as absent.
    std::optional<std::string> stringForKey(const std::string& key) const;

    void setBool(const std::string& key, bool value);
    void setInteger(const std::string& key, std::int64_t value);
    // JSON has no NaN or infinity: such a value is refused and the key keeps
    // what it held.
    void setDouble(const std::string& key, double value);
    // Bytes that are not UTF-8 are stored as U+FFFD.
    void setString(const std::string& key, const std::string& value);
    // Afterwards the key reads its registered default.
    void removeObjectForKey(const std::string& key);

    // Calls onChange after every write or removal of `key` (also of an
    // unchanged value) and when a registration changes what it reads. A
    // callback may read and write the store and subscribe or unsubscribe.
    // Cancelling on the writer's thread stops the calls at once; cancelled
    // on another thread, a call already under way still runs.
    Subscription observe(const std::string& key, std::function<void()> onChange);

private:
    struct State;
    // nullopt removes the key.
    void store(const std::string& key, std::optional<Value> value);
    void notify(const std::string& key) const;

    std::unique_ptr<State> m_state;
};

} // namespace lumra
