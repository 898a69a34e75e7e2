#pragma once
// The help texts: one text per topic, looked up by the topic's title (the
// caption of the control or window it explains). Read from the help file the
// program carries, a plain text with "= Title" lines opening each topic.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorlix::ui
{

struct HelpTopic {
    std::string title;
    std::vector<std::string> paragraphs;
    std::vector<std::string> seeAlso; // titles of related topics
};

class HelpBook
{
public:
    // Parses the help file's text: "= Title" starts a topic, empty lines part
    // paragraphs, lines of a paragraph are joined with a blank, "See also: A; B"
    // names related topics, "#" lines are comments.
    static HelpBook parse(std::string_view text);
    // The help file inside the program.
    static const HelpBook& builtIn();

    const std::vector<HelpTopic>& topics() const { return m_topics; }
    // Case-blind match of the title; nullptr when there is no such topic.
    const HelpTopic* find(std::string_view title) const;
    // Titles of the topics whose title or text holds every word of query
    // (case-blind), titles that match first.
    std::vector<std::string> search(std::string_view query) const;

private:
    std::vector<HelpTopic> m_topics;
};

} // namespace quorlix::ui
