#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "core/BaseEvent.h"
#include "core/EventCallbackObject.h"
#include "core/Export.h"
#include "core/FileWrites.h"
#include "core/MemoryPoolManager.h"
#include "core/Singleton.h"
#include "world/LoadEvent.h"

namespace Orva::Resources {

// Reads game files on a loader thread of its own and hands their contents back on the main
// thread. A requester queues a LoadEvent under "LoadResource"; its reply, the same record with
// every path made full and every file's contents filled (empty for a file that could not be
// opened), comes back under "OnResourceLoadComplete", a few requests every sixth frame.
//
// One mutex guards the three queues and both counters. The handler copies its request and
// makes its paths full before taking it (the copy is the handler's own), then holds it to
// queue; update() and sendAllEvents() hold it for their whole body, so the main thread waits
// while the loader reads a request's files. The loader sleeps on a condition variable only while nothing is
// pending or being read.
class ORVA_API ResourceManager : public Singleton<ResourceManager>
{
public:
    ORVA_POOLED_OPERATORS(ResourceManager)

    // Requests delivered per delivery call, and the delivery calls that do nothing in between.
    static constexpr unsigned MaxDeliveredRequests = 5;
    static constexpr int DeliveryPeriod = 6;

    // Starts the loader thread and listens to "LoadResource".
    ResourceManager();
    // Stops and joins the loader thread before anything it uses goes; withdraws the listener.
    ~ResourceManager();

    ResourceManager(const ResourceManager&) = delete;
    ResourceManager& operator=(const ResourceManager&) = delete;

    // The "LoadResource" handler: accepts a copy of the request with every path made full.
    // Anything but a LoadEvent sent under that name is ignored.
    void loadResource(BaseEvent* event);
    // One loader pass: takes over the pending requests and reads the files of the first one.
    void update();
    // Delivery, once per frame: every sixth call sends up to five finished requests.
    void sendAllEvents();
    // A one-file request from the requester (sender = requester, requestId and tag 0), taken
    // straight into the handler without waiting for a dispatch; Events::requestLoad queues one
    // for the next dispatch instead.
    void requestLoad(const std::string& path, void* requester);

    // Nothing pending or being read, and every requested file delivered.
    bool isDone() const;
    // 1 when done; else the delivered share of the requested files (0 while nothing but
    // empty requests is outstanding).
    float getLoadPercentage() const;
    unsigned getLoadCount() const;
    unsigned getMaxLoadCount() const;

    EventCallbackObject& getEventCallbackObject() noexcept { return eventCallbacks_; }

    // Where the resource directory starts, relative to the working directory.
    static constexpr const char* DefaultDirectory = "../resources/";

    // The prefix that relative resource paths are appended to, with no separator added.
    static std::string getResourceDirectory();
    // Stores the directory with every backslash turned into a slash; the folder it names is
    // the game's resource folder from then on.
    static void setResourceDirectory(const std::string& directory);
    // The same for a directory a script asks for, which must lead into the game's folders
    // once links are followed: the resource folder the program set, the default one or the
    // Documents folder. Else it is refused with a line on stderr and nothing changes. The
    // place it leads to is kept: later paths go down to it from that game folder without
    // following a link, so a directory swapped for a link meanwhile leads nowhere.
    static bool setScriptResourceDirectory(const std::string& directory);
    // The resource directory followed by the relative path.
    static std::string getFullPath(const std::string& relativePath);

    // What a script's path names: a file, or a folder, whose name may end in a separator.
    enum class NameOf { File, Folder };

    // A path given by a script, with every backslash made a slash; nothing when it is empty,
    // absolute, has a ".." segment (it would reach outside the folder it is meant for), holds a
    // NUL byte (the system would read it cut short there) or, for a file, ends in a separator
    // or a "." segment (the system would read it as the folder).
    static std::optional<std::string> confinedName(const std::string& name, NameOf kind = NameOf::File);

    // prefix + the script's name as given, as a file below the prefix's folder (the part up to
    // its last slash), links followed; nothing when confinedName refuses the name or it leads
    // out of that folder or to a link that never resolves.
    static std::optional<PathBelow> pathUnder(const std::string& prefix, const std::string& name);
    // The same for the name as confinedName gives it, with the line "scripts: <function>
    // refused the path "<name>": <why>" on stderr when it refuses.
    static std::optional<PathBelow> scriptPathUnder(const std::string& prefix, const std::string& name,
                                                    const char* function, NameOf kind = NameOf::File);
    // confinedName, with the refusal line when it refuses.
    static std::optional<std::string> confinedScriptName(const std::string& name, const char* function,
                                                         NameOf kind = NameOf::File);

    // Whole files and writes. Failures show in the result, "" or false; a write that fails
    // also names the file on stderr (core/FileWrites.h), and a whole-file write leaves the
    // earlier file as it was. Only regular files are read: a folder, a pipe or a device
    // reads as "".
    static std::string openFile(const std::string& path);
    // Remembers a name of a file in the resource directory that a script handed over to be read
    // (once scriptPathUnder took it): from then on every read of that name, on the loader
    // thread as by readResource, goes down a path checked at that read, never by its name, and
    // reads nothing where the check fails by then.
    static void readCheckedFromNowOn(const std::string& name);
    // Whether a name is read that way.
    static bool isReadChecked(const std::string& name);
    // The file of the resource directory, as the loader reads it; nothing when it cannot be.
    static std::optional<std::string> readResource(const std::string& relativePath);
    static bool saveToFile(const std::string& relativePath, const std::string& text);
    // Under the resource directory, the script's name confined as by scriptPathUnder; an
    // append that fails leaves the file as it was, and a file with more than one hard link is
    // refused with the line.
    static bool appendToFile(const std::string& relativePath, const std::string& text);
    // Replaces a file of the engine's own naming in the resource directory (a recording, a set,
    // a stage), down the path the directory was checked to lead to and never through a link at
    // its name; false, with the failure line, where that path leads out of the folder by now.
    static bool saveResource(const std::string& relativePath, std::string_view bytes, const char* tag);
    static bool copyFile(const std::string& from, const std::string& to);
    static bool writeFile(const std::string& path, const std::string& text);
    static bool writeFile(const std::string& path, const std::vector<unsigned char>& bytes);

    // Files under the user's Documents folder, named as by scripts ("saveFile", "openFile",
    // "makeDirectory"): every backslash becomes a slash, and a name is confined as by
    // scriptPathUnder. Each goes down the checked path without following a link.
    static bool writeDataFile(const std::string& name, const std::string& text);
    static std::string readDataFile(const std::string& name);
    // True when the directory exists afterwards.
    static bool makeDirectory(const std::string& name);
    // The user's Documents folder: $XDG_DOCUMENTS_DIR, else what "xdg-user-dir DOCUMENTS"
    // answers unless that is $HOME itself, else $HOME/Documents; made, with every folder
    // above it, when missing. Where it cannot be made, one line on stderr names it and the
    // reason, and it is still given, so that each write into it names its own failure.
    // Nothing only when no folder can be named. The tool's answer is kept for as long as
    // $HOME stays; one thread at a time.
    static std::optional<std::string> getDocumentsFolder();

    // Restarts the pacing of sendAllEvents, so that the next delivery is the sixth call from
    // now. For tests and tools.
    static void resetDeliveryCounter() noexcept;

private:
    // How the loader reaches a file: by its name, or down a path checked when it was requested
    // (nothing to read when the check failed).
    struct FileSource
    {
        bool checked = false;
        std::optional<PathBelow> below;
    };
    // A request being read, with the way to each of its files.
    struct Request
    {
        Events::LoadEvent event;
        std::vector<FileSource> sources;
    };

    static FileSource sourceOf(const std::string& relativePath);
    static std::optional<std::string> readFrom(const FileSource& source, const std::string& fullPath);

    void runLoader();
    bool isDoneLocked() const;

    std::deque<Request> pending_;
    std::deque<Request> working_;
    std::deque<Events::LoadEvent> done_;
    mutable std::mutex mutex_;
    std::condition_variable workArrived_;
    std::atomic<bool> stopRequested_{false};
    unsigned loadCount_ = 0;
    unsigned maxLoadCount_ = 0;
    std::uint32_t completionCode_;
    EventCallbackObject eventCallbacks_;
    // Started last, so that everything it touches exists before it runs.
    std::thread loader_;
};

} // namespace Orva::Resources
