#include "world/ResourceManager.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string_view>
#include <unordered_set>
#include <utility>

#include "core/EventManager.h"
#include "core/FileWrites.h"
#include "core/FunctionHolder.h"
#include "world/DataAnalyticManager.h"

namespace Orva::Resources {

namespace {

// Main thread only, like every caller of sendAllEvents.
int deliveryCalls = 0;

std::string& resourceDirectory()
{
    static std::string directory = ResourceManager::DefaultDirectory;
    return directory;
}

std::string withForwardSlashes(std::string path)
{
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

// The earlier file stays until the new one is complete on the disk.
bool replaceWholeFile(const std::string& path, std::string_view bytes)
{
    return replaceFileContents(path, bytes, "resources");
}

// What "xdg-user-dir DOCUMENTS" answers; "" when it cannot be run. Asked again only when
// $HOME has changed since the last answer, since the answer derives from it. One thread at
// a time.
const std::string& xdgDocumentsAnswer()
{
    static std::optional<std::string> askedForHome;
    static std::string answer;
    const char* home = std::getenv("HOME");
    const std::string currentHome = home ? home : "";
    if (askedForHome == currentHome) {
        return answer;
    }
    answer.clear();
    if (FILE* pipe = popen("xdg-user-dir DOCUMENTS 2>/dev/null", "r")) {
        char buffer[4096];
        while (std::fgets(buffer, sizeof buffer, pipe)) {
            answer += buffer;
        }
        if (pclose(pipe) != 0) {
            answer.clear();
        }
    }
    while (!answer.empty() && (answer.back() == '\n' || answer.back() == '\r')) {
        answer.pop_back();
    }
    askedForHome = currentHome;
    return answer;
}

std::string withoutTrailingSlashes(std::string path)
{
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return path;
}

// The folder that paths made from a prefix land in: the prefix up to its last slash.
std::string folderOfPrefix(const std::string& prefix)
{
    const std::size_t slash = prefix.rfind('/');
    return slash == std::string::npos ? std::string() : prefix.substr(0, slash + 1);
}

// A folder below one of the game's folders: the game folder as named, opened by its name at
// each use, and the plain path below it, gone down without following a link.
struct CheckedFolder
{
    std::string root;
    std::filesystem::path below;
};

// Where the resource directory's folder was found when it was set. A directory a script
// chooses is checked once, and later calls go down this path from the game folder rather than
// by the directory's name, which may lead elsewhere by then.
CheckedFolder& resourceFolder()
{
    static CheckedFolder folder{folderOfPrefix(ResourceManager::DefaultDirectory), {}};
    return folder;
}

// The folder a path made from the prefix is checked against and reached from.
CheckedFolder folderToCheck(const std::string& prefix)
{
    if (prefix == resourceDirectory()) {
        return resourceFolder();
    }
    return CheckedFolder{folderOfPrefix(prefix), {}};
}

// prefix + the confined name, as a file below the folder the prefix was checked in.
std::optional<PathBelow> placeUnder(const std::string& prefix, const std::string& confined,
                                    LastName last = LastName::Followed)
{
    const CheckedFolder folder = folderToCheck(prefix);
    const std::string leaf = prefix.substr(folderOfPrefix(prefix).size()) + confined;
    return pathBelow(folder.root, folder.below, leaf, prefix + confined, last);
}

// The names of resource files that scripts handed over to be read. Main thread only.
std::unordered_set<std::string>& scriptNamedResources()
{
    static std::unordered_set<std::string> names;
    return names;
}

// Documents folder + "/" + the script's name, confined; nothing when either is unavailable.
// A name is judged even then, so that a bad one is still named.
std::optional<PathBelow> dataFilePath(const std::string& name, const char* function,
                                      ResourceManager::NameOf kind = ResourceManager::NameOf::File)
{
    const std::optional<std::string> folder = ResourceManager::getDocumentsFolder();
    if (!folder) {
        ResourceManager::confinedScriptName(name, function, kind);
        return std::nullopt;
    }
    return ResourceManager::scriptPathUnder(*folder + "/", name, function, kind);
}

constexpr const char* LeadsOutside = "it leads outside its folder";

// The reason confinedName gives none, in the words of the refusal line.
const char* whyRefused(const std::string& name, ResourceManager::NameOf kind)
{
    if (name.find('\0') != std::string::npos) {
        return "it holds a NUL byte, where the system would end the name";
    }
    if (kind == ResourceManager::NameOf::File &&
        ResourceManager::confinedName(name, ResourceManager::NameOf::Folder)) {
        return "it ends in a separator or \".\", which names a folder, not a file";
    }
    return "it is empty, absolute or leaves its folder with \"..\"";
}

// The name as given, a NUL byte written as \0 so that the line stays one line of text.
void reportRefusedPath(const char* function, const std::string& path, const char* why)
{
    std::string shown;
    for (const char c : path) {
        shown += c == '\0' ? std::string("\\0") : std::string(1, c);
    }
    std::fprintf(stderr, "scripts: %s refused the path \"%s\": %s\n", function, shown.c_str(), why);
}

// The refusal line for a file the engine turned down, when it did.
void reportRefusal(const char* function, const std::string& path, Refusal refused)
{
    if (refused != Refusal::None) {
        reportRefusedPath(function, path, reasonOf(refused));
    }
}

// One line for a Documents folder that cannot be had, however often it is asked for.
void reportMissingDocuments(const std::string& folder, const std::string& line)
{
    static std::optional<std::string> reported;
    if (reported != folder) {
        reported = folder;
        std::fputs(line.c_str(), stderr);
    }
}

// What the resource directory was set to by the program, not by a script.
std::string& programDirectory()
{
    static std::string directory = ResourceManager::DefaultDirectory;
    return directory;
}

} // namespace

ResourceManager::ResourceManager() : completionCode_(Events::loadReplyCode())
{
    EventManager::getInstance().ListenToEvent(Events::loadRequestCode(),
                                              FunctionHolder(this, &ResourceManager::loadResource));
    loader_ = std::thread(&ResourceManager::runLoader, this);
}

ResourceManager::~ResourceManager()
{
    {
        const std::lock_guard lock(mutex_);
        stopRequested_.store(true);
    }
    workArrived_.notify_all();
    loader_.join();
    eventCallbacks_.clearEvents();
}

void ResourceManager::loadResource(BaseEvent* event)
{
    const auto* request = dynamic_cast<const Events::LoadEvent*>(event);
    if (!request) {
        return;
    }
    Request accepted{Events::LoadEvent(request->sender, request->requestId), {}};
    accepted.event.entries = request->entries;
    for (Events::LoadEvent::Entry& entry : accepted.event.entries) {
        accepted.sources.push_back(sourceOf(entry.path));
        entry.path = getFullPath(withForwardSlashes(entry.path));
    }
    {
        const std::lock_guard lock(mutex_);
        maxLoadCount_ += static_cast<unsigned>(accepted.event.entries.size());
        pending_.push_back(std::move(accepted));
    }
    workArrived_.notify_one();
}

void ResourceManager::update()
{
    const std::lock_guard lock(mutex_);
    while (!pending_.empty()) {
        working_.push_back(std::move(pending_.front()));
        pending_.pop_front();
    }
    if (working_.empty()) {
        return;
    }
    Request& request = working_.front();
    for (std::size_t i = 0; i < request.event.entries.size(); ++i) {
        Events::LoadEvent::Entry& entry = request.event.entries[i];
        entry.contents = readFrom(request.sources[i], entry.path).value_or(std::string());
    }
    done_.push_back(std::move(request.event));
    working_.pop_front();
}

void ResourceManager::runLoader()
{
    while (!stopRequested_.load()) {
        update();
        std::unique_lock lock(mutex_);
        workArrived_.wait(lock,
                          [this] { return stopRequested_.load() || !pending_.empty() || !working_.empty(); });
    }
}

void ResourceManager::sendAllEvents()
{
    if (deliveryCalls++ < DeliveryPeriod - 1) {
        return;
    }
    deliveryCalls = 0;

    Analytic::DataAnalyticManager* const analytics = Analytic::DataAnalyticManager::hasInstance()
                                                         ? &Analytic::DataAnalyticManager::getInstance()
                                                         : nullptr;
    EventManager& events = EventManager::getInstance();

    const std::lock_guard lock(mutex_);
    for (unsigned sent = 0; sent < MaxDeliveredRequests && !done_.empty(); ++sent) {
        Events::LoadEvent& reply = done_.front();
        reply.hashCode = completionCode_;
        events.queueEvent(completionCode_, reply);
        if (analytics) {
            for (const Events::LoadEvent::Entry& entry : reply.entries) {
                analytics->resourceDelivered(entry.path);
            }
        }
        loadCount_ += static_cast<unsigned>(reply.entries.size());
        done_.pop_front();
    }
}

void ResourceManager::requestLoad(const std::string& path, void* requester)
{
    Events::LoadEvent request(requester);
    request.entries.emplace_back(path);
    loadResource(&request);
}

bool ResourceManager::isDoneLocked() const
{
    return pending_.empty() && working_.empty() && loadCount_ == maxLoadCount_;
}

bool ResourceManager::isDone() const
{
    const std::lock_guard lock(mutex_);
    return isDoneLocked();
}

float ResourceManager::getLoadPercentage() const
{
    const std::lock_guard lock(mutex_);
    if (isDoneLocked()) {
        return 1.0f;
    }
    if (maxLoadCount_ == 0) {
        return 0.0f;
    }
    return static_cast<float>(loadCount_) / static_cast<float>(maxLoadCount_);
}

unsigned ResourceManager::getLoadCount() const
{
    const std::lock_guard lock(mutex_);
    return loadCount_;
}

unsigned ResourceManager::getMaxLoadCount() const
{
    const std::lock_guard lock(mutex_);
    return maxLoadCount_;
}

std::string ResourceManager::getResourceDirectory()
{
    return resourceDirectory();
}

void ResourceManager::setResourceDirectory(const std::string& directory)
{
    resourceDirectory() = withForwardSlashes(directory);
    programDirectory() = resourceDirectory();
    resourceFolder() = CheckedFolder{folderOfPrefix(resourceDirectory()), {}};
}

bool ResourceManager::setScriptResourceDirectory(const std::string& directory)
{
    std::string wanted = withForwardSlashes(directory);
    bool loops = false;
    const std::filesystem::path landing = resolveLinks(folderOfPrefix(wanted), &loops);
    std::vector<std::string> gameFolders = {folderOfPrefix(programDirectory()), DefaultDirectory};
    if (const std::optional<std::string> documents = getDocumentsFolder()) {
        gameFolders.push_back(*documents);
    }
    // The system would read a directory with a NUL byte cut short there.
    const bool whole = wanted.find('\0') == std::string::npos;
    for (const std::string& folder : gameFolders) {
        const std::filesystem::path resolvedFolder = resolveLinks(folder);
        if (whole && !loops && liesInside(landing, resolvedFolder)) {
            resourceDirectory() = std::move(wanted);
            resourceFolder() = CheckedFolder{folder, landing.lexically_relative(resolvedFolder)};
            return true;
        }
    }
    reportRefusedPath("setDirectory", directory, "it leads outside the game's folders");
    return false;
}

std::string ResourceManager::getFullPath(const std::string& relativePath)
{
    return resourceDirectory() + relativePath;
}

// A drive letter counts as absolute too: game folders travel between systems.
std::optional<std::string> ResourceManager::confinedName(const std::string& name, NameOf kind)
{
    std::string path = withForwardSlashes(name);
    const bool driveLetter = path.size() >= 2 && path[1] == ':';
    if (path.empty() || path.front() == '/' || driveLetter || path.find('\0') != std::string::npos) {
        return std::nullopt;
    }
    std::size_t segmentStart = 0;
    while (segmentStart <= path.size()) {
        const std::size_t slash = std::min(path.find('/', segmentStart), path.size());
        const std::string_view segment = std::string_view(path).substr(segmentStart, slash - segmentStart);
        const bool last = slash == path.size();
        if (segment == ".." || (last && kind == NameOf::File && (segment.empty() || segment == "."))) {
            return std::nullopt;
        }
        segmentStart = slash + 1;
    }
    return path;
}

// How a file of a load request is reached: a name a script handed over along a path checked
// now (nothing when the check fails now), any other by its name.
ResourceManager::FileSource ResourceManager::sourceOf(const std::string& relativePath)
{
    if (!isReadChecked(relativePath)) {
        return {false, std::nullopt};
    }
    return {true, pathUnder(resourceDirectory(), relativePath)};
}

std::optional<std::string> ResourceManager::readFrom(const FileSource& source, const std::string& fullPath)
{
    if (!source.checked) {
        return readRegularFile(fullPath);
    }
    return source.below ? readFileBelow(*source.below) : std::nullopt;
}

std::string ResourceManager::openFile(const std::string& path)
{
    return readRegularFile(path).value_or(std::string());
}

void ResourceManager::readCheckedFromNowOn(const std::string& name)
{
    if (const std::optional<std::string> confined = confinedName(name)) {
        scriptNamedResources().insert(*confined);
    }
}

bool ResourceManager::isReadChecked(const std::string& name)
{
    return scriptNamedResources().contains(withForwardSlashes(name));
}

std::optional<std::string> ResourceManager::readResource(const std::string& relativePath)
{
    return readFrom(sourceOf(relativePath), getFullPath(withForwardSlashes(relativePath)));
}

std::optional<std::string> ResourceManager::confinedScriptName(const std::string& name, const char* function,
                                                               NameOf kind)
{
    std::optional<std::string> confined = confinedName(name, kind);
    if (!confined) {
        reportRefusedPath(function, name, whyRefused(name, kind));
    }
    return confined;
}

// Links are followed, so that a link inside the folder does not lead a script out of it.
std::optional<PathBelow> ResourceManager::pathUnder(const std::string& prefix, const std::string& name)
{
    const std::optional<std::string> confined = confinedName(name);
    return confined ? placeUnder(prefix, *confined) : std::nullopt;
}

std::optional<PathBelow> ResourceManager::scriptPathUnder(const std::string& prefix, const std::string& name,
                                                          const char* function, NameOf kind)
{
    const std::optional<std::string> relative = confinedScriptName(name, function, kind);
    if (!relative) {
        return std::nullopt;
    }
    std::optional<PathBelow> file = placeUnder(prefix, *relative);
    if (!file) {
        reportRefusedPath(function, name, LeadsOutside);
    }
    return file;
}

bool ResourceManager::saveToFile(const std::string& relativePath, const std::string& text)
{
    return replaceWholeFile(getFullPath(relativePath), text);
}

bool ResourceManager::saveResource(const std::string& relativePath, std::string_view bytes, const char* tag)
{
    const std::string fullPath = getFullPath(relativePath);
    // Stages keep their paths with a leading slash.
    std::optional<PathBelow> file =
        placeUnder(resourceDirectory(),
                   relativePath.substr(std::min(relativePath.find_first_not_of('/'), relativePath.size())),
                   LastName::NotFollowed);
    if (!file) {
        std::fprintf(stderr, "%s: could not write \"%s\": %s\n", tag, fullPath.c_str(), LeadsOutside);
        return false;
    }
    file->named = fullPath;
    return replaceFileBelow(*file, bytes, tag);
}

bool ResourceManager::appendToFile(const std::string& relativePath, const std::string& text)
{
    const std::optional<PathBelow> file = scriptPathUnder(resourceDirectory(), relativePath, "appendToFile");
    if (!file) {
        return false;
    }
    Refusal refused = Refusal::None;
    const bool appended = appendFileBelow(*file, text, "resources", &refused);
    reportRefusal("appendToFile", relativePath, refused);
    return appended;
}

bool ResourceManager::copyFile(const std::string& from, const std::string& to)
{
    const std::optional<std::string> contents = readRegularFile(from);
    return contents && replaceWholeFile(to, *contents);
}

bool ResourceManager::writeFile(const std::string& path, const std::string& text)
{
    return replaceWholeFile(path, text);
}

bool ResourceManager::writeFile(const std::string& path, const std::vector<unsigned char>& bytes)
{
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return replaceWholeFile(path, text);
}

bool ResourceManager::writeDataFile(const std::string& name, const std::string& text)
{
    const std::optional<PathBelow> file = dataFilePath(name, "saveFile");
    Refusal refused = Refusal::None;
    const bool saved = file && replaceFileBelow(*file, text, "resources", Flush::ToDisk, &refused);
    reportRefusal("saveFile", name, refused);
    return saved;
}

std::string ResourceManager::readDataFile(const std::string& name)
{
    const std::optional<PathBelow> file = dataFilePath(name, "openFile");
    Refusal refused = Refusal::None;
    std::string contents = file ? readFileBelow(*file, &refused).value_or(std::string()) : std::string();
    reportRefusal("openFile", name, refused);
    return contents;
}

bool ResourceManager::makeDirectory(const std::string& name)
{
    const std::optional<PathBelow> folder = dataFilePath(name, "makeDirectory", NameOf::Folder);
    return folder && makeDirectoryBelow(*folder);
}

// Without a user-dirs file the tool answers $HOME itself, which is no Documents folder.
std::optional<std::string> ResourceManager::getDocumentsFolder()
{
    const char* home = std::getenv("HOME");
    const std::string answer = xdgDocumentsAnswer();
    const bool answerIsHome = home && *home && withoutTrailingSlashes(answer) == withoutTrailingSlashes(home);
    std::string folder;
    if (const char* configured = std::getenv("XDG_DOCUMENTS_DIR"); configured && *configured) {
        folder = configured;
    } else if (!answer.empty() && !answerIsHome) {
        folder = answer;
    } else if (home && *home) {
        folder = std::string(home) + "/Documents";
    } else {
        reportMissingDocuments(
            "", "resources: no Documents folder: neither $XDG_DOCUMENTS_DIR nor $HOME is set\n");
        return std::nullopt;
    }
    std::error_code error;
    if (!std::filesystem::is_directory(folder, error)) {
        std::filesystem::create_directories(folder, error);
        if (error || !std::filesystem::is_directory(folder, error)) {
            const std::string why = error ? error.message() : std::strerror(ENOTDIR);
            reportMissingDocuments(folder, "resources: could not make the Documents folder \"" + folder +
                                               "\": " + why + "\n");
        }
    }
    return folder;
}

void ResourceManager::resetDeliveryCounter() noexcept
{
    deliveryCalls = 0;
}

} // namespace Orva::Resources
