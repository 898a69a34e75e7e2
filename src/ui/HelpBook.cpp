#include "ui/HelpBook.h"

#include <QFile>

#include <algorithm>

namespace quorlix::ui
{

namespace
{

std::string lower(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    return out;
}

std::string_view trimmed(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

std::vector<std::string> words(std::string_view query)
{
    std::vector<std::string> out;
    std::string current;
    for (char c : lower(query)) {
        if (c == ' ' || c == '\t') {
            if (!current.empty())
                out.push_back(std::move(current));
            current.clear();
        } else {
            current += c;
        }
    }
    if (!current.empty())
        out.push_back(std::move(current));
    return out;
}

} // namespace

HelpBook HelpBook::parse(std::string_view text)
{
    HelpBook book;
    HelpTopic* topic = nullptr;
    bool paragraphOpen = false;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = trimmed(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        if (line.starts_with('#'))
            continue;
        if (line.starts_with("= ")) {
            book.m_topics.push_back({std::string(trimmed(line.substr(2))), {}, {}});
            topic = &book.m_topics.back();
            paragraphOpen = false;
            continue;
        }
        if (!topic)
            continue;
        if (line.empty()) {
            paragraphOpen = false;
        } else if (line.starts_with("See also:")) {
            std::string_view rest = line.substr(9);
            while (!rest.empty()) {
                const std::size_t semi = rest.find(';');
                const std::string_view item = trimmed(rest.substr(0, semi));
                if (!item.empty())
                    topic->seeAlso.emplace_back(item);
                rest = semi == std::string_view::npos ? std::string_view{} : rest.substr(semi + 1);
            }
            paragraphOpen = false;
        } else if (paragraphOpen) {
            topic->paragraphs.back() += ' ';
            topic->paragraphs.back() += line;
        } else {
            topic->paragraphs.emplace_back(line);
            paragraphOpen = true;
        }
    }
    return book;
}

const HelpBook& HelpBook::builtIn()
{
    static const HelpBook book = [] {
        QFile file(QStringLiteral(":/help/quorlix-help.txt"));
        if (!file.open(QIODevice::ReadOnly))
            return HelpBook{};
        const QByteArray bytes = file.readAll();
        return parse(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    }();
    return book;
}

const HelpTopic* HelpBook::find(std::string_view title) const
{
    const std::string wanted = lower(trimmed(title));
    for (const HelpTopic& t : m_topics)
        if (lower(t.title) == wanted)
            return &t;
    return nullptr;
}

std::vector<std::string> HelpBook::search(std::string_view query) const
{
    const std::vector<std::string> wanted = words(query);
    std::vector<std::string> inTitle;
    std::vector<std::string> inText;
    for (const HelpTopic& t : m_topics) {
        const std::string title = lower(t.title);
        std::string all = title;
        for (const auto& p : t.paragraphs)
            all += ' ' + lower(p);
        const auto holds = [&](const std::string& hay) {
            return std::all_of(wanted.begin(), wanted.end(),
                               [&](const std::string& w) { return hay.find(w) != std::string::npos; });
        };
        if (wanted.empty() || holds(title))
            inTitle.push_back(t.title);
        else if (holds(all))
            inText.push_back(t.title);
    }
    inTitle.insert(inTitle.end(), inText.begin(), inText.end());
    return inTitle;
}

} // namespace quorlix::ui
