// The defaults store's values, file and observers. File I/O happens on the
// calling thread under the store's mutex, so the file always follows the
// order of the writes; observers run after the mutex is released.
#include "platform/defaults/DefaultsStore.h"

#include "base/DiagnosticLog.h"
#include "base/UniqueFd.h"
#include "platform/defaults/AtomicFileWriter.h"

#include <algorithm>
#include <atomic>
#include <cassert>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <fmt/chrono.h>
#include <fmt/format.h>
#include <limits>
#include <mutex>
#include <nlohmann/json.hpp>
#include <pwd.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace lumra {

namespace {

using Json = nlohmann::json;

constexpr std::string_view fileName = "defaults.json";
constexpr mode_t fileMode = 0600;
constexpr mode_t directoryMode = 0700;

std::string validUtf8(const std::string& text) {
    // A round trip through the encoder replaces invalid sequences, so the
    // value in memory is the one the file will hold.
    const std::string encoded = Json(text).dump(-1, ' ', false, Json::error_handler_t::replace);
    return Json::parse(encoded).get<std::string>();
}

Json toJson(const DefaultsStore::Value& value) {
    return std::visit(
        [](const auto& alternative) -> Json {
            using T = std::decay_t<decltype(alternative)>;
            if constexpr (std::is_same_v<T, std::string>)
                return Json(validUtf8(alternative));
            else
                return Json(alternative);
        },
        value);
}

std::int64_t clampToInteger(double value) {
    constexpr double limit = 9223372036854775807.0; // 2^63, not representable below
    if (!std::isfinite(value))
        return 0;
    if (value >= limit)
        return std::numeric_limits<std::int64_t>::max();
    if (value <= -limit)
        return std::numeric_limits<std::int64_t>::min();
    return static_cast<std::int64_t>(value);
}

// What the store accepts as its file: a regular file (never a FIFO, a
// device or a directory, which could block or never end) of sane size, with
// values nested no deeper than settings ever are. Anything else is set aside
// whole, before it is parsed.
constexpr std::size_t maxFileBytes = 1u << 20;
constexpr int maxNestingDepth = 64;

struct FileContents {
    enum class Kind { missing, read, unreadable };
    Kind kind = Kind::missing;
    std::string bytes;
    std::string problem;
};

FileContents readWholeFile(const std::filesystem::path& path) {
    // Non-blocking, so a FIFO standing where the file should be cannot hang
    // the open; its type refuses it right after.
    const UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (!fd) {
        // ENOTDIR: something that is not a directory stands where ours
        // should; there is no file of ours to keep, and writes will fail.
        // ENOENT also covers a symbolic link to nothing.
        if (errno == ENOENT || errno == ENOTDIR)
            return {};
        return {FileContents::Kind::unreadable, {}, std::strerror(errno)};
    }
    FileContents contents{FileContents::Kind::read, {}, {}};
    struct stat status {};
    if (::fstat(fd.get(), &status) != 0 || !S_ISREG(status.st_mode)) {
        contents = {FileContents::Kind::unreadable, {}, "not a regular file"};
    } else if (static_cast<std::uint64_t>(status.st_size) > maxFileBytes) {
        contents = {FileContents::Kind::unreadable, {}, "larger than the settings file may be"};
    } else {
        char buffer[16384];
        for (;;) {
            const ssize_t count = ::read(fd.get(), buffer, sizeof buffer);
            if (count == 0)
                break;
            if (count < 0 && errno == EINTR)
                continue;
            if (count < 0) {
                contents = {FileContents::Kind::unreadable, {}, std::strerror(errno)};
                break;
            }
            contents.bytes.append(buffer, static_cast<std::size_t>(count));
            // It grew while we read it.
            if (contents.bytes.size() > maxFileBytes) {
                contents = {
                    FileContents::Kind::unreadable, {}, "larger than the settings file may be"};
                break;
            }
        }
    }
    return contents;
}

// The file's top-level object, entry by entry in file order, each value
// kept as the exact text it had: numbers too large for a double's 53 bits,
// duplicate keys and whatever nests inside other keys go back to the file
// as they came, while the store reads the parsed value.
struct Entry {
    std::string key;
    std::string keyText;
    std::string valueText;
    Json value;
};

std::size_t skipSpace(std::string_view text, std::size_t at) {
    while (at < text.size() &&
           (text[at] == ' ' || text[at] == '\t' || text[at] == '\n' || text[at] == '\r'))
        ++at;
    return at;
}

// The end of the string that opens at `at`, or npos.
std::size_t stringEnd(std::string_view text, std::size_t at) {
    for (std::size_t i = at + 1; i < text.size(); ++i) {
        if (text[i] == '\\')
            ++i;
        else if (text[i] == '"')
            return i + 1;
    }
    return std::string_view::npos;
}

// The end of the value that starts at `at`; nested values are balanced
// without recursion, and refused beyond maxNestingDepth. npos when the text
// cannot be one value.
std::size_t valueEnd(std::string_view text, std::size_t at) {
    if (at >= text.size())
        return std::string_view::npos;
    if (text[at] == '"')
        return stringEnd(text, at);
    if (text[at] != '{' && text[at] != '[') {
        std::size_t end = at;
        while (end < text.size() &&
               std::string_view(",}] \t\r\n").find(text[end]) == std::string_view::npos)
            ++end;
        return end;
    }
    int depth = 0;
    for (std::size_t i = at; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"') {
            i = stringEnd(text, i);
            if (i == std::string_view::npos)
                return i;
            --i;
        } else if (c == '{' || c == '[') {
            if (++depth > maxNestingDepth)
                return std::string_view::npos;
        } else if (c == '}' || c == ']') {
            if (--depth == 0)
                return i + 1;
        }
    }
    return std::string_view::npos;
}

std::optional<std::vector<Entry>> parseEntries(std::string_view text) {
    if (text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);
    std::vector<Entry> entries;
    std::size_t at = skipSpace(text, 0);
    if (at >= text.size() || text[at] != '{')
        return std::nullopt;
    at = skipSpace(text, at + 1);
    bool closed = at < text.size() && text[at] == '}';
    while (!closed) {
        if (at >= text.size() || text[at] != '"')
            return std::nullopt;
        const std::size_t keyEnd = stringEnd(text, at);
        if (keyEnd == std::string_view::npos)
            return std::nullopt;
        Entry entry;
        entry.keyText = std::string(text.substr(at, keyEnd - at));
        at = skipSpace(text, keyEnd);
        if (at >= text.size() || text[at] != ':')
            return std::nullopt;
        at = skipSpace(text, at + 1);
        const std::size_t end = valueEnd(text, at);
        if (end == std::string_view::npos || end == at)
            return std::nullopt;
        entry.valueText = std::string(text.substr(at, end - at));
        // Each part is checked as JSON on its own; the depth is bounded.
        const Json key = Json::parse(entry.keyText, nullptr, /*allow_exceptions=*/false);
        entry.value = Json::parse(entry.valueText, nullptr, /*allow_exceptions=*/false);
        if (!key.is_string() || entry.value.is_discarded())
            return std::nullopt;
        entry.key = key.get<std::string>();
        entries.push_back(std::move(entry));
        at = skipSpace(text, end);
        if (at < text.size() && text[at] == ',') {
            at = skipSpace(text, at + 1);
            continue;
        }
        if (at >= text.size() || text[at] != '}')
            return std::nullopt;
        closed = true;
    }
    if (skipSpace(text, at + 1) != text.size())
        return std::nullopt;
    return entries;
}

std::string fileText(const std::vector<Entry>& entries) {
    if (entries.empty())
        return "{}\n";
    std::string text = "{\n";
    for (std::size_t i = 0; i < entries.size(); ++i) {
        text += "  " + entries[i].keyText + ": " + entries[i].valueText;
        text += i + 1 < entries.size() ? ",\n" : "\n";
    }
    return text + "}\n";
}

bool pathExists(const std::filesystem::path& path) {
    struct stat status {};
    return ::lstat(path.c_str(), &status) == 0 || errno != ENOENT;
}

// Renames the file to a free "<name>.corrupt-<UTC time>[-n]" beside it.
std::optional<std::filesystem::path> setAside(const std::filesystem::path& file) {
    const std::string base =
        fmt::format("{}.corrupt-{:%Y%m%dT%H%M%SZ}", file.string(), fmt::gmtime(std::time(nullptr)));
    for (int attempt = 1; attempt <= 1000; ++attempt) {
        const std::filesystem::path candidate =
            attempt == 1 ? base : fmt::format("{}-{}", base, attempt);
        if (::renameat2(AT_FDCWD, file.c_str(), AT_FDCWD, candidate.c_str(), RENAME_NOREPLACE) == 0)
            return candidate;
        if (errno == EEXIST)
            continue;
        if (errno != EINVAL)
            return std::nullopt;
        // The file system cannot refuse to replace: check first instead.
        if (pathExists(candidate))
            continue;
        if (::rename(file.c_str(), candidate.c_str()) == 0)
            return candidate;
        return std::nullopt;
    }
    return std::nullopt;
}

// Temporary files of a writer that died between creating and renaming them.
void removeStaleTemporaries(const std::filesystem::path& directory,
                            const std::filesystem::path& file) {
    const std::string prefix = atomicWriteTemporaryPrefix(file);
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(directory, error)) {
        const std::string name = entry.path().filename().string();
        if (name.starts_with(prefix) && entry.is_regular_file(error))
            std::filesystem::remove(entry.path(), error);
    }
}

struct Observer {
    std::function<void()> callback;
    std::atomic<bool> active{true};
};

struct Observers {
    std::mutex mutex;
    std::map<std::string, std::vector<std::shared_ptr<Observer>>> byKey;
};

} // namespace

struct DefaultsStore::State {
    std::filesystem::path directory;
    std::filesystem::path file;

    mutable std::mutex mutex;
    std::vector<Entry> stored;
    std::map<std::string, Json> registered;
    // False when there is no directory or a file we could not keep aside
    // stands where ours goes: the values then live only in memory.
    bool persistent = true;
    // A write failed, so the file lags memory: the next write goes to disk
    // even when it changes nothing.
    bool fileBehind = false;

    std::shared_ptr<Observers> observers = std::make_shared<Observers>();

    void load();
    const Json* lookup(const std::string& key) const;
    void persist();
};

void DefaultsStore::State::load() {
    FileContents contents = readWholeFile(file);
    if (contents.kind == FileContents::Kind::missing)
        return;
    if (contents.kind == FileContents::Kind::read) {
        if (auto entries = parseEntries(contents.bytes)) {
            stored = std::move(*entries);
            removeStaleTemporaries(directory, file);
            return;
        }
    }
    const std::string why =
        contents.kind == FileContents::Kind::read ? "not a settings object" : contents.problem;
    if (auto aside = setAside(file)) {
        LUMRA_LOG("settings", fmt::format("refused {} ({}); set aside as {}", file.string(), why,
                                          aside->filename().string()));
        removeStaleTemporaries(directory, file);
        return;
    }
    LUMRA_LOG("settings", fmt::format("refused {} ({}) and could not set it aside; settings "
                                      "stay in memory",
                                      file.string(), why));
    persistent = false;
}

const Json* DefaultsStore::State::lookup(const std::string& key) const {
    // The last of duplicate keys is the one read, as JSON readers do.
    for (auto it = stored.rbegin(); it != stored.rend(); ++it) {
        if (it->key == key)
            return &it->value;
    }
    if (auto it = registered.find(key); it != registered.end())
        return &it->second;
    return nullptr;
}

void DefaultsStore::State::persist() {
    if (!persistent)
        return;
    auto failure = createDirectories(directory, directoryMode);
    if (!failure)
        failure = writeFileAtomically(followedSymlinks(file), fileText(stored), fileMode);
    // A failed write is retried with the next one.
    if (failure)
        LUMRA_LOG("settings", "could not save settings: " + *failure);
    fileBehind = failure.has_value();
}

DefaultsStore::DefaultsStore(std::filesystem::path directory) : m_state(std::make_unique<State>()) {
    if (directory.empty()) {
        m_state->persistent = false;
        return;
    }
    m_state->directory = std::move(directory);
    m_state->file = m_state->directory / fileName;
    m_state->load();
}

DefaultsStore::~DefaultsStore() = default;

std::shared_ptr<DefaultsStore> DefaultsStore::shared() {
    static const std::shared_ptr<DefaultsStore> instance =
        std::make_shared<DefaultsStore>(defaultDirectory());
    return instance;
}

std::filesystem::path DefaultsStore::defaultDirectory() {
    const auto absolute = [](const char* text) {
        return text != nullptr && text[0] == '/';
    };
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); absolute(config))
        return std::filesystem::path(config) / "lumra";
    std::filesystem::path home;
    if (const char* variable = std::getenv("HOME"); absolute(variable)) {
        home = variable;
    } else {
        passwd entry{};
        passwd* found = nullptr;
        std::vector<char> buffer(16384);
        if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
            found != nullptr && absolute(found->pw_dir))
            home = found->pw_dir;
    }
    if (home.empty())
        return {};
    return home / ".config" / "lumra";
}

std::filesystem::path DefaultsStore::filePath() const {
    return m_state->file;
}

void DefaultsStore::registerDefaults(const std::map<std::string, Value>& defaults) {
    std::vector<std::string> changed;
    {
        std::lock_guard lock(m_state->mutex);
        for (const auto& [key, value] : defaults) {
            const Json* before = m_state->lookup(key);
            const std::optional<Json> old = before ? std::optional<Json>(*before) : std::nullopt;
            m_state->registered[key] = toJson(value);
            if (old != *m_state->lookup(key))
                changed.push_back(key);
        }
    }
    for (const auto& key : changed)
        notify(key);
}

bool DefaultsStore::boolForKey(const std::string& key) const {
    std::lock_guard lock(m_state->mutex);
    const Json* value = m_state->lookup(key);
    if (value == nullptr)
        return false;
    if (value->is_boolean())
        return value->get<bool>();
    if (value->is_number_float())
        return value->get<double>() != 0.0;
    if (value->is_number())
        return *value != 0;
    return false;
}

std::int64_t DefaultsStore::integerForKey(const std::string& key) const {
    std::lock_guard lock(m_state->mutex);
    const Json* value = m_state->lookup(key);
    if (value == nullptr)
        return 0;
    if (value->is_boolean())
        return value->get<bool>() ? 1 : 0;
    if (value->is_number_unsigned()) {
        const auto number = value->get<std::uint64_t>();
        constexpr auto largest =
            static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
        return number > largest ? std::numeric_limits<std::int64_t>::max()
                                : static_cast<std::int64_t>(number);
    }
    if (value->is_number_integer())
        return value->get<std::int64_t>();
    if (value->is_number_float())
        return clampToInteger(value->get<double>());
    return 0;
}

double DefaultsStore::doubleForKey(const std::string& key) const {
    std::lock_guard lock(m_state->mutex);
    const Json* value = m_state->lookup(key);
    if (value == nullptr)
        return 0.0;
    if (value->is_boolean())
        return value->get<bool>() ? 1.0 : 0.0;
    if (value->is_number())
        return value->get<double>();
    return 0.0;
}

std::optional<std::string> DefaultsStore::stringForKey(const std::string& key) const {
    std::lock_guard lock(m_state->mutex);
    const Json* value = m_state->lookup(key);
    if (value == nullptr || !value->is_string())
        return std::nullopt;
    return value->get<std::string>();
}

void DefaultsStore::setBool(const std::string& key, bool value) {
    store(key, Value(value));
}

void DefaultsStore::setInteger(const std::string& key, std::int64_t value) {
    store(key, Value(value));
}

void DefaultsStore::setDouble(const std::string& key, double value) {
    if (!std::isfinite(value)) {
        return;
    }
    store(key, Value(value));
}

void DefaultsStore::setString(const std::string& key, const std::string& value) {
    store(key, Value(value));
}

void DefaultsStore::removeObjectForKey(const std::string& key) {
    store(key, std::nullopt);
}

void DefaultsStore::store(const std::string& key, std::optional<Value> value) {
    {
        std::lock_guard lock(m_state->mutex);
        auto& stored = m_state->stored;
        const auto last = std::find_if(stored.rbegin(), stored.rend(),
                                       [&](const Entry& entry) { return entry.key == key; });
        bool changed = false;
        if (value) {
            Json encoded = toJson(*value);
            std::string text = encoded.dump(-1, ' ', false, Json::error_handler_t::replace);
            if (last == stored.rend()) {
                stored.push_back(
                    Entry{key, Json(key).dump(-1, ' ', false, Json::error_handler_t::replace),
                          std::move(text), std::move(encoded)});
                changed = true;
            } else if (last->value != encoded) {
                // Earlier duplicates stay as they were: only the last is read.
                last->valueText = std::move(text);
                last->value = std::move(encoded);
                changed = true;
            }
        } else if (last != stored.rend()) {
            std::erase_if(stored, [&](const Entry& entry) { return entry.key == key; });
            changed = true;
        }
        if (changed || m_state->fileBehind)
            m_state->persist();
    }
    notify(key);
}

void DefaultsStore::notify(const std::string& key) const {
    std::vector<std::shared_ptr<Observer>> observers;
    {
        auto& registry = *m_state->observers;
        std::lock_guard lock(registry.mutex);
        const auto it = registry.byKey.find(key);
        if (it == registry.byKey.end())
            return;
        observers = it->second;
    }
    for (const auto& observer : observers) {
        if (observer->active.load())
            observer->callback();
    }
}

Subscription DefaultsStore::observe(const std::string& key, std::function<void()> onChange) {
    assert(onChange && "an observer needs a callback");
    auto observer = std::make_shared<Observer>();
    observer->callback = std::move(onChange);
    {
        std::lock_guard lock(m_state->observers->mutex);
        m_state->observers->byKey[key].push_back(observer);
    }
    std::weak_ptr<Observers> weakRegistry = m_state->observers;
    return Subscription([weakRegistry, key, weakObserver = std::weak_ptr<Observer>(observer)] {
        const auto registered = weakObserver.lock();
        if (!registered)
            return;
        registered->active.store(false);
        const auto registry = weakRegistry.lock();
        if (!registry)
            return;
        std::lock_guard lock(registry->mutex);
        auto& list = registry->byKey[key];
        std::erase(list, registered);
        if (list.empty())
            registry->byKey.erase(key);
    });
}

} // namespace lumra
