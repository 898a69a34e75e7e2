#include "words/DictionaryDownload.h"

#include <curl/curl.h>
#include <ifaddrs.h>
#include <net/if.h>

#include <cstdio>
#include <filesystem>
#include <mutex>

#include "platform/AtomicFile.h"
#include "settings/SettingsStore.h"
#include "words/DictionaryFile.h"
#include "words/DictionaryFolder.h"
#include "words/DictionarySources.h"
#include "words/WordText.h"

namespace quorlix {

std::string serverBase(std::string_view typed)
{
    std::string base(trimBlanks(typed));
    while (!base.empty() && base.back() == '/')
        base.pop_back();
    return base;
}

std::string downloadBase(SettingsStore& store)
{
    return serverBase(store.get("Settings", "DownloadBase", ""));
}

Status verifyDownloadedDictionary(const std::string& path)
{
    Status error;
    const Status notOne = Status::corruption("The downloaded file is not a Quorlix dictionary file.");
    auto file = DictionaryFile::openPath(path, &error);
    if (!file || !file->verifyDictionary())
        return notOne;
    // Every table to its end, as a run's word count walks them: a file
    // damaged past its first record must not replace a good one.
    WordCounts counts;
    return file->countWords(&counts).isOk() ? Status::ok() : notOne;
}

namespace {

std::size_t writeToFile(char* data, std::size_t size, std::size_t count, void* user)
{
    return std::fwrite(data, size, count, static_cast<std::FILE*>(user)) * size;
}

int reportProgress(void* user, curl_off_t total, curl_off_t received, curl_off_t, curl_off_t)
{
    const auto& progress = *static_cast<const DownloadProgress*>(user);
    return progress(static_cast<std::uint64_t>(received), static_cast<std::uint64_t>(total)) ? 0 : 1;
}

void initCurlOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

} // namespace

Status DownloadFile(const std::string& address, const std::string& localPath, const DictionaryVerifier& verify,
                    const DownloadProgress& progress)
{
    initCurlOnce();
    FileReplacement replacement;
    if (Status s = replacement.open(localPath); !s)
        return s;
    const std::string& temp = replacement.tempPath();
    std::FILE* out = std::fopen(temp.c_str(), "wb");
    if (!out)
        return Status::ioError("Cannot create " + temp + ".");
    CURL* curl = curl_easy_init();
    if (!curl) {
        std::fclose(out);
        return Status::ioError("The download could not be started.");
    }
    char errorText[CURL_ERROR_SIZE] = {};
    curl_easy_setopt(curl, CURLOPT_URL, address.c_str());
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, writeToFile);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, out);
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorText);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, 30L);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    // A stalled transfer ends instead of freezing the window for ever.
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(curl, CURLOPT_LOW_SPEED_TIME, 60L);
    if (progress) {
        curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, reportProgress);
        curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &progress);
        curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
    }
    const CURLcode code = curl_easy_perform(curl);
    long httpStatus = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &httpStatus);
    curl_easy_cleanup(curl);
    const bool written = std::fflush(out) == 0 && !std::ferror(out);
    std::fclose(out);

    Status result;
    if (code != CURLE_OK) {
        std::string why = errorText[0] ? errorText : curl_easy_strerror(code);
        if (code == CURLE_HTTP_RETURNED_ERROR && httpStatus > 0)
            why = "The server answered " + std::to_string(httpStatus) + ".";
        if (code == CURLE_ABORTED_BY_CALLBACK)
            why = "The download was cancelled.";
        result = Status::ioError(why);
    } else if (!written) {
        result = Status::ioError("Cannot write " + temp + ".");
    } else if (verify) {
        result = verify(temp);
    }
    if (result.isOk())
        result = replacement.commit();
    return result;
}

namespace {

std::size_t appendText(char* data, std::size_t size, std::size_t count, void* user)
{
    auto& text = *static_cast<std::string*>(user);
    // A digest file is one line; anything much larger is not one.
    if (text.size() + size * count > 4096)
        return 0;
    text.append(data, size * count);
    return size * count;
}

// The digest published beside address, "" when there is none (the server
// answers 404, or a file:// address names no file).
Status fetchPublishedDigest(const std::string& address, std::string* hex)
{
    initCurlOnce();
    hex->clear();
    CURL* curl = curl_easy_init();
    if (!curl)
        return Status::ioError("The download could not be started.");
    std::string text;
    char errorText[CURL_ERROR_SIZE] = {};
    curl_easy_setopt(curl, CURLOPT_URL, address.c_str());
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, appendText);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &text);
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorText);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, 30L);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, 120L);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    const CURLcode code = curl_easy_perform(curl);
    long httpStatus = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &httpStatus);
    curl_easy_cleanup(curl);
    if (code == CURLE_FILE_COULDNT_READ_FILE || (code == CURLE_HTTP_RETURNED_ERROR && httpStatus == 404))
        return Status::ok();
    const std::string name = address.substr(address.find_last_of('/') + 1);
    if (code != CURLE_OK) {
        const std::string why = code == CURLE_HTTP_RETURNED_ERROR && httpStatus > 0
                                    ? "The server answered " + std::to_string(httpStatus) + "."
                                    : std::string(errorText[0] ? errorText : curl_easy_strerror(code));
        return Status::ioError("Cannot read " + name + ": " + why);
    }
    if (Status s = digestFromText(text, hex); !s)
        return Status::corruption(name + " cannot be used: " + s.message());
    return Status::ok();
}

} // namespace

Status downloadDictionary(const std::string& address, const std::string& localPath, bool* digestChecked,
                          const DownloadProgress& progress)
{
    std::string expected;
    if (Status s = fetchPublishedDigest(address + ".sha256", &expected); !s)
        return s;
    if (digestChecked)
        *digestChecked = !expected.empty();
    const std::string name = address.substr(address.find_last_of('/') + 1);
    const auto verify = [&](const std::string& temp) {
        if (!expected.empty()) {
            std::string got;
            if (Status s = sha256OfFile(temp, &got); !s)
                return s;
            if (got != expected)
                return Status::corruption("The downloaded file does not match " + name +
                                          ".sha256 (its SHA-256 digest differs), so it was not kept.");
        }
        return verifyDownloadedDictionary(temp);
    };
    return DownloadFile(address, localPath, verify, progress);
}

bool SystemInternetProbe::connected()
{
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0)
        return true; // cannot tell: let the download try
    bool up = false;
    for (ifaddrs* a = list; a; a = a->ifa_next)
        if ((a->ifa_flags & IFF_UP) && (a->ifa_flags & IFF_RUNNING) && !(a->ifa_flags & IFF_LOOPBACK))
            up = true;
    freeifaddrs(list);
    return up;
}

DownloadWindow openDownloadWindow(const DictionaryPlaces& places)
{
    DownloadWindow window;
    window.present = places.available();
    return window;
}

void downloadOptionChosen(DownloadWindow& window, int option, const DictionaryPlaces& places, MessageBoxes& boxes)
{
    if (option < 0 || option > 6)
        return;
    window.option = option;
    window.nameBoxEnabled = option == 5;
    if (option == 5)
        return;
    const std::string name(kKnownDictionaries[static_cast<std::size_t>(option)].file);
    const std::string programFolder = places.folderOf(name);
    if (fileExists(programFolder + name)) {
        boxes.show("File \"" + name + "\" already exists in folder: \"" + programFolder +
                       "\" You do not need to download this file again. Please select a different dictionary file "
                       "to download.",
                   Icon::Critical, Buttons::Ok);
    }
}

std::string sourceLine(const std::string& name, const DictionarySource& source)
{
    switch (source.kind) {
    case DictionarySource::Kind::WordLists:
        return "Made from the word list on this computer: " + sourceText(name, source).substr(11) + ".";
    case DictionarySource::Kind::Server:
        return "Downloaded from " + source.address + ".";
    case DictionarySource::Kind::Package:
        return "Not on this computer yet: " + sourceText(name, source) + ".";
    case DictionarySource::Kind::Nothing:
        break;
    }
    return "No word list of this computer gives " + name +
           ", and no server is named (the DownloadBase setting in the [Settings] section).";
}

DownloadOutcome acceptDownload(DownloadWindow& window, const std::string& programFolder, const std::string& base,
                               std::string& checkFile, DownloadRequest& flag, DictionaryCheckControls& controls,
                               MainWindowSurface& surface, MessageBoxes& boxes, const ObtainDictionary& obtain,
                               const std::string& listFolder)
{
    flag.requested = true;
    std::string name;
    if (window.option == 5) {
        name = std::string(trimBlanks(window.otherName));
        if (name.empty()) {
            boxes.show(kNoFileName, Icon::Exclamation, Buttons::Ok);
            return DownloadOutcome::NoName;
        }
    } else {
        name = std::string(kKnownDictionaries[static_cast<std::size_t>(window.option)].file);
    }
    const DictionarySource source = sourceOf(name, base, false, listFolder);
    const bool build = source.kind == DictionarySource::Kind::WordLists;
    checkFile = name;

    // Nothing to fetch from: say what would give it, and leave the window open.
    if (source.kind == DictionarySource::Kind::Package || source.kind == DictionarySource::Kind::Nothing) {
        boxes.show("\"" + name + "\" cannot be had now." + std::string(kCrLf) + std::string(kCrLf) +
                       sourceLine(name, source),
                   Icon::Exclamation, Buttons::Ok);
        return DownloadOutcome::Unavailable;
    }

    std::string question;
    if (build) {
        question = "Build \"" + name + "\" now?";
        question += kCrLf;
        question += kCrLf;
        question += sourceLine(name, source) + " No Internet connection is needed.";
    } else {
        question = "Download \"" + name + "\" now?";
        question += kCrLf;
        question += kCrLf;
        question += "You must be connected to the Internet prior to selecting the 'YES' button.";
        question += kCrLf;
        question += kCrLf;
        question += "This application will appear to be frozen while the download is in progress, please be patient.";
        question += kCrLf;
        question += kCrLf;
        question += "If this computer does not have Internet access you may also download this file manually at the "
                    "following web address:";
        question += kCrLf;
        question += source.address;
    }
    if (boxes.show(question, Icon::Information, Buttons::YesNo) != Answer::Yes)
        return DownloadOutcome::Declined;

    controls.checkBox = false;
    controls.menuChecked = false;
    controls.modeOptionsEnabled = false;
    surface.setStatus("No Dictionary Check");
    const std::string failed = build ? "Build Failed: " + name : "Download Failed: " + source.address;
    // A name typed with a folder in it must not write outside the program folder.
    if (!isBareFileName(name)) {
        boxes.show(failed + std::string(kCrLf) + std::string(kCrLf) + name + " is not a file name.", Icon::Critical,
                   Buttons::Ok);
        return DownloadOutcome::Failed;
    }
    // A first download makes the user's folder; a failed one takes it away again.
    std::vector<std::string> created;
    Status obtained = makeUserFolder(programFolder, &created);
    if (obtained)
        obtained = obtain(source, programFolder + name);
    if (!obtained) {
        removeCreatedFolders(created);
        std::string text = failed;
        text += kCrLf;
        text += kCrLf;
        text += obtained.message();
        text += kCrLf;
        text += kCrLf;
        text += fileExists(programFolder + name) ? "The file already in " + programFolder + " was kept."
                                                 : "Nothing was saved.";
        boxes.show(text, Icon::Critical, Buttons::Ok);
        return DownloadOutcome::Failed;
    }
    boxes.show("Download Complete: " + programFolder + name +
                   " is set as your new default dictionary file. Use the Dictionary menu to change your default "
                   "dictionary file if you so desire.",
               Icon::Information, Buttons::Ok);
    return DownloadOutcome::Completed;
}

} // namespace quorlix
