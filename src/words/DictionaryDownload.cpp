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
#include "words/WordText.h"

namespace quorlix {

std::string downloadBase(SettingsStore& store)
{
    std::string base = store.get("Settings", "DownloadBase", kDefaultDownloadBase);
    base = std::string(trimBlanks(base));
    while (!base.empty() && base.back() == '/')
        base.pop_back();
    return base.empty() ? std::string(kDefaultDownloadBase) : base;
}

Status verifyDownloadedDictionary(const std::string& path)
{
    Status error;
    auto file = DictionaryFile::openPath(path, &error);
    if (!file)
        return error.isOk() ? Status::corruption("The file is not a dictionary.") : error;
    return file->verifyDictionary();
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
        if (Status v = verify(temp); !v)
            result = Status::corruption("The downloaded file is not a Quorlix dictionary file.");
    }
    if (result.isOk())
        result = replacement.commit();
    return result;
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

DownloadOutcome acceptDownload(DownloadWindow& window, const std::string& programFolder, const std::string& base,
                               std::string& checkFile, DownloadRequest& flag, DictionaryCheckControls& controls,
                               MainWindowSurface& surface, MessageBoxes& boxes,
                               const std::function<Status(const std::string& address, const std::string& path)>& fetch)
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
    const std::string address = dictionaryAddress(base, name);
    checkFile = name;

    std::string question = "Download \"" + name + "\" now?";
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
    question += address;
    if (boxes.show(question, Icon::Information, Buttons::YesNo) != Answer::Yes)
        return DownloadOutcome::Declined;

    controls.checkBox = false;
    controls.menuChecked = false;
    controls.modeOptionsEnabled = false;
    surface.setStatus("No Dictionary Check");
    // A name typed with a folder in it must not write outside the program folder.
    if (name.find('/') != std::string::npos || name.find('\\') != std::string::npos || name == "." || name == "..") {
        boxes.show("Download Failed: " + name + " is not a file name." + std::string(kCrLf) + address,
                   Icon::Critical, Buttons::Ok);
        return DownloadOutcome::Failed;
    }
    std::error_code ec;
    std::filesystem::create_directories(programFolder, ec); // a first download makes the user's folder
    const Status fetched = fetch(address, programFolder + name);
    if (!fetched) {
        std::string text = "Download Failed: " + address;
        text += kCrLf;
        text += kCrLf;
        text += fetched.message();
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
