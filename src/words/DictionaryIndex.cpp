#include "words/DictionaryIndex.h"

#include <algorithm>
#include <string>
#include <utility>

#include "words/WordText.h"

namespace quorlix {

DictionaryIndex::DictionaryIndex(const WordTables& words)
{
    // Sorted, merged (word, tables) pairs let the trie be built by extending the
    // previous word's path, without a child lookup per byte.
    std::vector<std::pair<std::string, std::uint32_t>> entries;
    entries.reserve(words.totalWords());
    for (int t = 0; t < WordTables::kTables; ++t)
        for (const std::string& w : words.tables[static_cast<std::size_t>(t)])
            entries.emplace_back(asciiUpper(w), tableBit(t));
    m_words = entries.size();
    std::sort(entries.begin(), entries.end());

    struct Edge {
        std::uint64_t key; // parent << 8 | byte
        std::uint32_t target;
    };
    std::vector<Edge> edges;
    m_endMask.push_back(0);
    std::vector<std::uint32_t> path{kRoot};
    std::string_view previous;
    bool havePrevious = false;
    for (const auto& [word, mask] : entries) {
        std::size_t shared = 0;
        if (havePrevious)
            while (shared < previous.size() && shared < word.size() && previous[shared] == word[shared])
                ++shared;
        path.resize(shared + 1);
        for (std::size_t j = shared; j < word.size(); ++j) {
            const auto id = static_cast<std::uint32_t>(m_endMask.size());
            m_endMask.push_back(0);
            edges.push_back({(std::uint64_t{path[j]} << 8) | static_cast<unsigned char>(word[j]), id});
            path.push_back(id);
        }
        m_endMask[path[word.size()]] |= mask;
        previous = word;
        havePrevious = true;
    }
    const std::size_t nodes = m_endMask.size();

    std::sort(edges.begin(), edges.end(), [](const Edge& a, const Edge& b) { return a.key < b.key; });
    m_childBegin.assign(nodes + 1, 0);
    m_edgeByte.resize(edges.size());
    m_edgeTarget.resize(edges.size());
    for (std::size_t e = 0; e < edges.size(); ++e) {
        ++m_childBegin[(edges[e].key >> 8) + 1];
        m_edgeByte[e] = static_cast<unsigned char>(edges[e].key & 0xFF);
        m_edgeTarget[e] = edges[e].target;
    }
    for (std::size_t i = 0; i < nodes; ++i)
        m_childBegin[i + 1] += m_childBegin[i];
    for (std::uint32_t e = m_childBegin[kRoot]; e < m_childBegin[kRoot + 1]; ++e)
        m_rootNext[m_edgeByte[e]] = m_edgeTarget[e];

    // Failure links breadth first; each node's output also carries the outputs
    // of its failure chain, so a scan needs one mask test per byte.
    m_fail.assign(nodes, kRoot);
    m_outMask.assign(nodes, 0);
    m_outMask[kRoot] = m_endMask[kRoot];
    std::vector<std::uint32_t> queue;
    queue.reserve(nodes);
    queue.push_back(kRoot);
    for (std::size_t head = 0; head < queue.size(); ++head) {
        const std::uint32_t u = queue[head];
        for (std::uint32_t e = m_childBegin[u]; e < m_childBegin[u + 1]; ++e) {
            const std::uint32_t v = m_edgeTarget[e];
            const unsigned char c = m_edgeByte[e];
            std::uint32_t f = kRoot;
            if (u != kRoot) {
                std::uint32_t g = m_fail[u];
                for (;;) {
                    const std::uint32_t next = g == kRoot ? m_rootNext[c] : child(g, c);
                    if (next != kNone && next != kRoot) {
                        f = next;
                        break;
                    }
                    if (g == kRoot)
                        break;
                    g = m_fail[g];
                }
            }
            m_fail[v] = f;
            m_outMask[v] = m_endMask[v] | m_outMask[f];
            queue.push_back(v);
        }
    }
}

std::uint32_t DictionaryIndex::child(std::uint32_t node, unsigned char c) const
{
    const auto begin = m_edgeByte.begin() + m_childBegin[node];
    const auto end = m_edgeByte.begin() + m_childBegin[node + 1];
    const auto it = std::lower_bound(begin, end, c);
    if (it == end || *it != c)
        return kNone;
    return m_edgeTarget[static_cast<std::size_t>(it - m_edgeByte.begin())];
}

bool DictionaryIndex::containsWord(std::string_view text, int table) const
{
    if (table < 0 || table >= WordTables::kTables)
        return false;
    std::uint32_t node = kRoot;
    for (char ch : text) {
        node = child(node, static_cast<unsigned char>(asciiUpper(ch)));
        if (node == kNone)
            return false;
    }
    return (m_endMask[node] & tableBit(table)) != 0;
}

bool DictionaryIndex::anyWordIn(std::string_view text, std::uint32_t tableMask) const
{
    if (text.empty() || tableMask == 0)
        return false;
    if (m_outMask[kRoot] & tableMask)
        return true;
    std::uint32_t node = kRoot;
    for (char ch : text) {
        const auto c = static_cast<unsigned char>(asciiUpper(ch));
        for (;;) {
            if (node == kRoot) {
                node = m_rootNext[c];
                break;
            }
            const std::uint32_t next = child(node, c);
            if (next != kNone) {
                node = next;
                break;
            }
            node = m_fail[node];
        }
        if (m_outMask[node] & tableMask)
            return true;
    }
    return false;
}

} // namespace quorlix
