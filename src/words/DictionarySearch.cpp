#include "words/DictionarySearch.h"

#include <algorithm>
#include <vector>

#include "words/DictionaryFolder.h"
#include "words/WordText.h"

namespace quorlix {

namespace {

// Byte offset of the character at 0-based position index of UTF-8 text.
std::size_t byteOffsetOf(std::string_view text, std::size_t index)
{
    std::size_t chars = 0;
    for (std::size_t b = 0; b < text.size(); ++b) {
        if ((static_cast<unsigned char>(text[b]) & 0xC0) == 0x80)
            continue;
        if (chars == index)
            return b;
        ++chars;
    }
    return text.size();
}

} // namespace

void searchDictionary(const WordTables& tables, std::string_view typed, SearchType type, std::string& results,
                      MessageBoxes& boxes)
{
    results.clear(); // a refused search leaves no earlier results behind either
    const std::string_view trimmed = trimBlanks(typed);
    const std::string letters = asciiUpper(trimVoid(trimmed));
    if (letters.size() < 4) {
        boxes.show(kSearchTooShort, Icon::Exclamation, Buttons::Ok);
        return;
    }
    if (type == SearchType::Whole) {
        // The text as typed, blanks and all; only the table comes from the letters.
        const std::string wanted = lowerWord(typed);
        for (const std::string& word : tables.table(letters[0])) {
            if (lowerWord(word) == wanted) {
                results = "Found: " + word + std::string(kCrLf);
                return;
            }
        }
        results = std::string(kNoMatchingWords) + std::string(kCrLf);
        return;
    }

    const std::string text = lowerWord(trimmed);
    const std::size_t positions = characterCount(trimmed) > 3 ? characterCount(trimmed) - 3 : 0;
    std::vector<char> scanned;
    // The letters are fewer than the characters when the word holds other
    // characters; positions past the last letter have no table to scan.
    for (std::size_t i = 0; i < positions && i < letters.size(); ++i) {
        const char c = letters[i];
        if (std::find(scanned.begin(), scanned.end(), c) != scanned.end())
            continue;
        scanned.push_back(c);
        const std::size_t from = byteOffsetOf(text, i);
        for (const std::string& word : tables.table(c))
            if (text.find(lowerWord(word), from) != std::string::npos)
                results += "Found: " + word + std::string(kCrLf);
    }
    if (results.empty())
        results = kNoMatchingWords;
}

bool dictionaryCheckFileExists(const std::string& programFolder, const std::string& checkFile,
                               DictionaryCheckControls& controls)
{
    if (fileExists(programFolder + checkFile))
        return true;
    controls.menuChecked = false;
    controls.checkBox = false;
    controls.modeOptionsEnabled = false;
    return false;
}

std::string dictionaryAddress(std::string_view base, std::string_view fileName)
{
    return std::string(base) + "/software/" + std::string(fileName);
}

void checkDictionaryFile(bool view, const std::string& programFolder, const std::string& checkFile,
                         const std::string& downloadBase, DictionaryCheckControls& controls, MessageBoxes& boxes,
                         DictionaryCommandHost& host)
{
    if (dictionaryCheckFileExists(programFolder, checkFile, controls)) {
        if (view)
            host.openSearchWindow();
        return;
    }
    std::string text = "The default Dictionary File does not exist in your program path:";
    text += kCrLf;
    text += programFolder + checkFile;
    text += kCrLf;
    text += kCrLf;
    text += "If you wish to use the Dictionary Check feature, you must either change to a different dictionary file "
            "(if you have any) or download a free dictionary file to use. Do you wish to download a dictionary file "
            "now?";
    text += kCrLf;
    text += kCrLf;
    text += "Please make sure you are connected to the Internet prior to selecting 'YES'.";
    if (boxes.show(text, Icon::Exclamation, Buttons::YesNo) != Answer::Yes)
        return;
    // Word lists of this computer need no connection; only a named server does.
    if (!downloadBase.empty() && !host.internetConnected()) {
        boxes.show(kNotConnected, Icon::Exclamation, Buttons::Ok);
        return;
    }
    // The file's web address opens too, so it can be fetched by hand; there
    // is none when no server is named (the window built it from a word list).
    if (!host.runDownloadWindow() || downloadBase.empty())
        return;
    host.shellOpen(dictionaryAddress(downloadBase, trimBlanks(checkFile)));
}

void dictionaryCheckClicked(const std::string& programFolder, const std::string& checkFile,
                            const std::string& downloadBase, DictionaryCheckControls& controls,
                            MainWindowSurface& surface, MessageBoxes& boxes, DictionaryCommandHost& host)
{
    if (controls.checkBox) {
        checkDictionaryFile(false, programFolder, checkFile, downloadBase, controls, boxes, host);
        if (controls.checkBox) {
            controls.menuChecked = true;
            controls.modeOptionsEnabled = true;
            surface.setStatus("Dictionary: " + checkFile);
            return;
        }
    }
    controls.menuChecked = false;
    controls.modeOptionsEnabled = false;
    surface.setStatus("No Dictionary Check");
}

void dictionaryMenuClicked(const std::string& programFolder, const std::string& checkFile,
                           const std::string& downloadBase, DictionaryCheckControls& controls,
                           MainWindowSurface& surface, MessageBoxes& boxes, DictionaryCommandHost& host)
{
    controls.checkBox = !controls.menuChecked;
    controls.menuChecked = controls.checkBox;
    dictionaryCheckClicked(programFolder, checkFile, downloadBase, controls, surface, boxes, host);
}

void changeActiveDictionaryFile(const std::string& chosenPath, std::string& checkFile, MainWindowSurface& surface)
{
    const std::size_t slash = chosenPath.find_last_of("/\\");
    checkFile = slash == std::string::npos ? chosenPath : chosenPath.substr(slash + 1);
    surface.setStatus("Dictionary: " + checkFile);
}

} // namespace quorlix
