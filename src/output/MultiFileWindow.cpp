#include "output/MultiFileWindow.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace quorlix {

namespace {

// A plain decimal number with blanks around it; nullopt for anything else.
std::optional<double> parseNumber(std::string_view text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return std::nullopt;
    text = text.substr(first, text.find_last_not_of(" \t") - first + 1);
    std::size_t i = 0;
    if (text[i] == '+' || text[i] == '-')
        ++i;
    std::size_t digits = 0;
    bool point = false;
    for (; i < text.size(); ++i) {
        if (text[i] >= '0' && text[i] <= '9')
            ++digits;
        else if (text[i] == '.' && !point)
            point = true;
        else
            return std::nullopt;
    }
    if (digits == 0)
        return std::nullopt;
    return std::strtod(std::string(text).c_str(), nullptr);
}

} // namespace

bool isPlainPreface(std::string_view preface)
{
    if (preface.find('/') != std::string_view::npos || preface.find("..") != std::string_view::npos)
        return false;
    return std::none_of(preface.begin(), preface.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7F;
    });
}

std::string withPathSeparator(std::string_view folder)
{
    std::string dir(folder);
    if (!dir.empty() && dir.back() != '/')
        dir += '/';
    return dir;
}

std::optional<std::int16_t> convertTotalFiles(std::string_view text)
{
    const auto number = parseNumber(text);
    if (!number)
        return std::nullopt;
    const double rounded = std::nearbyint(*number); // half to even in the default rounding mode
    if (rounded < -32768.0 || rounded > 32767.0)
        return std::nullopt;
    return static_cast<std::int16_t>(rounded);
}

std::optional<int> MultiFileWindow::typeIndex() const
{
    for (int i = 0; i < kMultiFileTypeCount; ++i)
        if (m_settings.fileType == kMultiFileTypes[i])
            return i;
    return std::nullopt;
}

void MultiFileWindow::open()
{
    m_activate = m_settings.active == 1;
    m_prefaceText = m_settings.filePreface;
    m_totalFilesText = m_settings.totalFiles > 0 ? std::to_string(m_settings.totalFiles) : std::string();
}

void MultiFileWindow::setPrefaceText(std::string text)
{
    m_prefaceText = std::move(text);
    m_settings.filePreface = m_prefaceText;
}

void MultiFileWindow::setTotalFilesText(std::string text)
{
    m_totalFilesText = std::move(text);
    if (const auto value = convertTotalFiles(m_totalFilesText))
        m_settings.totalFiles = *value;
}

void MultiFileWindow::chooseType(int index)
{
    if (index >= 0 && index < kMultiFileTypeCount)
        m_settings.fileType = std::string(kMultiFileTypes[index]);
}

void MultiFileWindow::chooseFolder(std::string_view folder) { m_settings.directory = withPathSeparator(folder); }

void MultiFileWindow::driveFailed() { m_boxes.show(kDriveError, Icon::Exclamation, Buttons::Ok); }

MultiFileWindow::Outcome MultiFileWindow::accept()
{
    if (m_prefaceText.empty()) {
        m_boxes.show(kPrefaceMissing, Icon::Exclamation, Buttons::Ok);
        return Outcome::StayOpen;
    }
    if (!isPlainPreface(m_prefaceText)) {
        m_boxes.show(kPrefaceNotAName, Icon::Exclamation, Buttons::Ok);
        return Outcome::StayOpen;
    }
    const auto number = parseNumber(m_totalFilesText);
    if (m_totalFilesText.empty() || (number && *number <= 1.0)) {
        m_boxes.show(kTotalFilesTooFew, Icon::Exclamation, Buttons::Ok);
        return Outcome::StayOpen;
    }
    // The field is a 16-bit count: anything but a whole number up to 32,767
    // would be cut or wrap when stored.
    if (!number || *number != std::floor(*number) || *number > 32767.0) {
        m_boxes.show(kTotalFilesNotWhole, Icon::Exclamation, Buttons::Ok);
        return Outcome::StayOpen;
    }

    if (m_settings.fileType.empty())
        m_settings.fileType = "txt";
    m_settings.filePreface = m_prefaceText;
    m_settings.totalFiles = static_cast<std::int16_t>(*number);
    m_settings.active = m_activate && !m_settings.directory.empty() ? 1 : 0;

    if (!m_activate) {
        m_boxes.show(kMultiFileNotActive, Icon::Exclamation, Buttons::Ok);
        return Outcome::Close;
    }
    if (m_settings.active != 1) {
        // Ticked, but no folder was ever chosen: say so instead of closing silently.
        m_boxes.show(kDirectoryMissing, Icon::Exclamation, Buttons::Ok);
        return Outcome::StayOpen;
    }
    const std::string total = std::to_string(m_settings.totalFiles);
    const std::string& preface = m_settings.filePreface;
    const std::string type = m_settings.extension();
    const std::string question = "You have activated multi-file mode. When executed " + total +
                                 " files will be created starting with: \r\n\r\n" + preface + "1." + type +
                                 "\r\n\r\nCompleting with: \r\n\r\n" + preface + total + "." + type +
                                 "\r\n\r\nThey will be saved in the following directory/path: \r\n\r\n" +
                                 m_settings.directory;
    return m_boxes.show(question, Icon::None, Buttons::OkCancel) == Answer::Ok ? Outcome::Close : Outcome::StayOpen;
}

} // namespace quorlix
