#include "platform/jet/JetIndex.h"

#include <algorithm>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/jet/JetEncode.h"

namespace quorlix::jet
{

namespace
{

constexpr std::uint8_t kLeafPage = 0x04;
constexpr std::uint8_t kNodePage = 0x03;
constexpr std::size_t kRowPointerSize = 4;   // 3-byte page, 1-byte row
constexpr std::size_t kChildPointerSize = 4; // node entries: u32 child page
// Text keys cover the first 255 characters, as many as a Text column holds.
constexpr std::size_t kMaxKeyCharacters = 255;

// Header fields that move between the versions.
struct PageFields {
    std::uint32_t prev, next, tail, prefix;
    std::uint32_t maxPrefix;
};
PageFields fieldsOf(const Format& format)
{
    if (format.isJet4())
        return {12, 16, 20, 24, 0xFFFF};
    return {8, 12, 16, 20, 0xFF};
}

std::uint32_t getU32BE(const char* p)
{
    return (getU8(p) << 24) | (getU8(p + 1) << 16) | (getU8(p + 2) << 8) | getU8(p + 3);
}

std::size_t commonPrefix(std::string_view a, std::string_view b)
{
    std::size_t n = std::min(a.size(), b.size());
    std::size_t i = 0;
    while (i < n && a[i] == b[i])
        ++i;
    return i;
}

// ---- Keys ---------------------------------------------------------------------

// A little-endian number as a big-endian key: ascending order of the raw
// bytes matches the order of the values once the sign is dealt with.
std::string bigEndian(std::string_view le)
{
    return {le.rbegin(), le.rend()};
}

// Integers (two's complement): flip the sign bit.
void integerKey(std::string_view le, std::string* out)
{
    std::string be = bigEndian(le);
    be[0] = static_cast<char>(be[0] ^ 0x80);
    out->append(be);
}

// IEEE floats: positives get the sign bit set, negatives are complemented,
// so larger magnitudes of negatives sort first.
void floatKey(std::string_view le, std::string* out)
{
    std::string be = bigEndian(le);
    if (static_cast<unsigned char>(be[0]) & 0x80) {
        for (char& c : be)
            c = static_cast<char>(~c);
    } else {
        be[0] = static_cast<char>(be[0] ^ 0x80);
    }
    out->append(be);
}

// The characters of a stored Text value as Latin-1 bytes; false for a
// character above 0xFF (no simple code exists for those anyway).
bool storedTextChars(const Format& format, std::string_view stored, std::string* chars)
{
    chars->clear();
    if (!format.isJet4()) {
        chars->assign(stored);
        return true;
    }
    if (stored.size() >= 2 && static_cast<unsigned char>(stored[0]) == 0xFF &&
        static_cast<unsigned char>(stored[1]) == 0xFE) {
        // Compressed: one byte per character; a 0x00 switches to and from
        // two-byte characters.
        bool wide = false;
        for (std::size_t i = 2; i < stored.size();) {
            if (stored[i] == '\0') {
                wide = !wide;
                ++i;
                continue;
            }
            if (!wide) {
                chars->push_back(stored[i++]);
                continue;
            }
            if (i + 1 >= stored.size() || stored[i + 1] != '\0')
                return false;
            chars->push_back(stored[i]);
            i += 2;
        }
        return true;
    }
    if (stored.size() % 2 != 0)
        return false;
    for (std::size_t i = 0; i < stored.size(); i += 2) {
        if (stored[i + 1] != '\0')
            return false;
        chars->push_back(stored[i]);
    }
    return true;
}

// Binary values in runs of 8 bytes, each followed by 9 when more follow, the
// last padded with zeros and followed by its length. Descending keys keep the
// 9s as they are.
void binaryKey(std::string_view bytes, bool descending, std::string* out)
{
    auto flip = [&](std::string_view s) {
        std::string r(s);
        if (descending) {
            for (char& c : r)
                c = static_cast<char>(~c);
        }
        return r;
    };
    while (bytes.size() > 8) {
        out->append(flip(bytes.substr(0, 8)));
        putU8(out, 9);
        bytes.remove_prefix(8);
    }
    if (!bytes.empty()) {
        std::string last(bytes);
        last.resize(8, '\0');
        putU8(&last, static_cast<std::uint32_t>(bytes.size()));
        out->append(flip(last));
    }
}

bool textKey(const Format& format, const KeyColumn& column, std::string_view stored, std::string* out)
{
    if (column.sortOrder != kSortGeneral)
        return false;
    std::string chars;
    if (!storedTextChars(format, stored, &chars))
        return false;
    if (chars.size() > kMaxKeyCharacters)
        chars.resize(kMaxKeyCharacters);
    while (!chars.empty() && chars.back() == ' ') // trailing blanks do not count
        chars.pop_back();
    std::string key;
    if (!appendTextKey(format, &key, chars))
        return false;
    out->append(key, 1, std::string::npos); // without appendTextKey's flag byte
    return true;
}

} // namespace

bool appendColumnKey(const Format& format, const KeyColumn& column, std::optional<std::string_view> value,
                     std::string* entry)
{
    const std::uint8_t type = column.type;
    if (type == static_cast<std::uint8_t>(kBoolean) && !value)
        value = std::string_view("\0", 1);
    if (!value) {
        putU8(entry, column.descending ? 0xFF : 0x00);
        return true;
    }
    auto fixed = [&](std::size_t width) { return value->size() == width; };
    std::string part;
    switch (type) {
    case 1: // Boolean: True (-1) sorts before False (0)
        if (!fixed(1))
            return false;
        putU8(&part, (*value)[0] != '\0' ? 0x00 : 0xFF);
        break;
    case 2: // Byte: unsigned already
        if (!fixed(1))
            return false;
        part.assign(*value);
        break;
    case 3: // Integer
    case 4: // Long
    case 5: // Currency: a 64-bit integer of ten-thousandths
        if (!fixed(type == 3 ? 2 : type == 4 ? 4 : 8))
            return false;
        integerKey(*value, &part);
        break;
    case 6: // Single
    case 7: // Double
    case 8: // Date/Time: a Double
        if (!fixed(type == 6 ? 4 : 8))
            return false;
        floatKey(*value, &part);
        break;
    case 10:
        if (!textKey(format, column, *value, &part))
            return false;
        break;
    case 9: // Binary, and GUID with its first three fields big-endian
    case 15: {
        std::string bytes(*value);
        if (type == 15) {
            if (bytes.size() != 16)
                return false;
            std::reverse(bytes.begin(), bytes.begin() + 4);
            std::reverse(bytes.begin() + 4, bytes.begin() + 6);
            std::reverse(bytes.begin() + 6, bytes.begin() + 8);
        }
        putU8(entry, column.descending ? 0x80 : 0x7F);
        binaryKey(bytes, column.descending, entry);
        return true;
    }
    default:
        return false;
    }
    putU8(entry, column.descending ? 0x80 : 0x7F);
    if (column.descending) {
        for (char& c : part)
            c = static_cast<char>(~c);
    }
    entry->append(part);
    return true;
}

bool entryLess(const IndexEntry& a, const IndexEntry& b)
{
    // Compares key + pointer bytes without building them.
    const std::size_t common = std::min(a.key.size(), b.key.size());
    const int c = std::memcmp(a.key.data(), b.key.data(), common);
    if (c != 0)
        return c < 0;
    auto pointer = [](const IndexEntry& e) {
        return std::string{static_cast<char>(e.page >> 16), static_cast<char>(e.page >> 8), static_cast<char>(e.page),
                           static_cast<char>(e.row)};
    };
    if (a.key.size() == b.key.size())
        return a.page != b.page ? a.page < b.page : a.row < b.row;
    const std::string tailA = a.key.substr(common) + pointer(a);
    const std::string tailB = b.key.substr(common) + pointer(b);
    return tailA < tailB;
}

// ---- Reading --------------------------------------------------------------------

FilePageSource::FilePageSource(const std::string& path, std::uint32_t pageSize) : m_pageSize(pageSize)
{
    m_fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st {
    };
    if (m_fd >= 0 && ::fstat(m_fd, &st) == 0 && pageSize > 0)
        m_pages = static_cast<std::uint32_t>(
            std::min<std::uint64_t>(static_cast<std::uint64_t>(st.st_size) / pageSize, 0xFFFFFFFFu));
}

FilePageSource::~FilePageSource()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

bool FilePageSource::read(std::uint32_t page, std::string* out)
{
    if (m_fd < 0 || page >= m_pages)
        return false;
    out->resize(m_pageSize);
    std::size_t done = 0;
    const off_t base = static_cast<off_t>(page) * m_pageSize;
    while (done < m_pageSize) {
        const ssize_t n = ::pread(m_fd, out->data() + done, m_pageSize - done, base + static_cast<off_t>(done));
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

namespace
{

struct DecodedPage {
    bool leaf = false;
    std::uint32_t next = 0;
    std::uint32_t tail = 0;
    std::vector<std::string> entries; // whole, prefix restored
};

Status pageError(std::uint32_t page, const std::string& what)
{
    return Status::corruption("Index page " + std::to_string(page) + " " + what);
}

Status decodePage(const Format& format, PageSource& pages, std::uint32_t page, std::uint32_t tdefPage, DecodedPage* out)
{
    std::string bytes;
    if (page >= pages.pageCount() || !pages.read(page, &bytes) || bytes.size() != format.pageSize)
        return pageError(page, "lies beyond the end of the file.");
    const char* p = bytes.data();
    const auto type = getU8(p);
    if ((type != kLeafPage && type != kNodePage) || getU8(p + 1) != 0x01 || getU32(p + 4) != tdefPage)
        return pageError(page, "is not an index page of the table on page " + std::to_string(tdefPage) + ".");
    const PageFields f = fieldsOf(format);
    out->leaf = type == kLeafPage;
    out->next = getU32(p + f.next);
    out->tail = getU32(p + f.tail);
    const std::size_t prefix = format.isJet4() ? getU16(p + f.prefix) : getU8(p + f.prefix);
    out->entries.clear();

    const std::size_t capacity = format.pageSize - format.indexEntriesOffset;
    const std::size_t minEntry = out->leaf ? kRowPointerSize : kRowPointerSize + kChildPointerSize;
    std::size_t start = 0;
    for (std::size_t bit = 1; bit <= (format.indexEntriesOffset - format.indexBitmapOffset) * 8 - 1; ++bit) {
        if (!(getU8(p + format.indexBitmapOffset + bit / 8) & (1u << (bit % 8))))
            continue;
        if (bit > capacity)
            return pageError(page, "has entries running past the end of the page.");
        std::string_view stored(p + format.indexEntriesOffset + start, bit - start);
        std::string entry;
        if (out->entries.empty()) {
            entry.assign(stored);
            if (prefix > entry.size())
                return pageError(page, "shares a prefix longer than its first entry.");
        } else {
            entry.assign(out->entries.front(), 0, prefix);
            entry.append(stored);
        }
        if (entry.size() < minEntry)
            return pageError(page, "holds an entry too short for its pointers.");
        out->entries.push_back(std::move(entry));
        start = bit;
    }
    return Status::ok();
}

} // namespace

Status readIndexEntries(const Format& format, PageSource& pages, std::uint32_t rootPage, std::uint32_t tdefPage,
                        std::vector<IndexEntry>* entries)
{
    entries->clear();
    std::vector<bool> seen(pages.pageCount(), false);
    auto visit = [&](std::uint32_t page) -> Status {
        if (page >= seen.size())
            return pageError(page, "lies beyond the end of the file.");
        if (seen[page])
            return pageError(page, "is reached twice: the index pages form a loop.");
        seen[page] = true;
        return Status::ok();
    };

    DecodedPage decoded;
    std::uint32_t page = rootPage;
    for (;;) { // down to the first leaf
        if (Status s = visit(page); !s)
            return s;
        if (Status s = decodePage(format, pages, page, tdefPage, &decoded); !s)
            return s;
        if (decoded.leaf)
            break;
        if (!decoded.entries.empty())
            page = getU32BE(decoded.entries.front().data() + decoded.entries.front().size() - kChildPointerSize);
        else if (decoded.tail != 0)
            page = decoded.tail;
        else
            return pageError(page, "is a node without children.");
    }
    for (;;) { // along the leaves
        for (const std::string& e : decoded.entries) {
            const char* ptr = e.data() + e.size() - kRowPointerSize;
            entries->push_back({e.substr(0, e.size() - kRowPointerSize),
                                (getU8(ptr) << 16) | (getU8(ptr + 1) << 8) | getU8(ptr + 2),
                                static_cast<std::uint8_t>(getU8(ptr + 3))});
        }
        if (decoded.next == 0)
            return Status::ok();
        const std::uint32_t from = page;
        page = decoded.next;
        if (Status s = visit(page); !s)
            return s;
        if (Status s = decodePage(format, pages, page, tdefPage, &decoded); !s)
            return s;
        if (!decoded.leaf)
            return pageError(page, "follows leaf page " + std::to_string(from) + " but is not a leaf.");
    }
}

// ---- Building ---------------------------------------------------------------------

namespace
{

// Lays out one page. Entries are whole; the first `prefix` bytes of every
// entry but the first are left out.
class PageWriter
{
public:
    PageWriter(const Format& format, std::uint32_t tdefPage) : m_format(format), m_tdefPage(tdefPage) {}

    std::string write(bool leaf, const std::vector<std::string_view>& entries, std::size_t prefix, std::uint32_t prev,
                      std::uint32_t next, std::uint32_t tail) const
    {
        const PageFields f = fieldsOf(m_format);
        std::string page(m_format.pageSize, '\0');
        page[0] = static_cast<char>(leaf ? kLeafPage : kNodePage);
        page[1] = 0x01;
        setU32(&page[4], m_tdefPage);
        setU32(&page[f.prev], prev);
        setU32(&page[f.next], next);
        setU32(&page[f.tail], tail);
        if (m_format.isJet4()) {
            setU16(&page[f.prefix], static_cast<std::uint32_t>(prefix));
        } else {
            setU8(&page[f.prefix], static_cast<std::uint32_t>(prefix));
            setU8(&page[f.prefix + 1], leaf ? 0 : 1); // as the Jet 3 engine marks node pages
        }
        std::size_t at = 0;
        for (std::size_t i = 0; i < entries.size(); ++i) {
            std::string_view stored = i == 0 ? entries[i] : entries[i].substr(prefix);
            std::memcpy(&page[m_format.indexEntriesOffset + at], stored.data(), stored.size());
            at += stored.size();
            char& b = page[m_format.indexBitmapOffset + at / 8];
            b = static_cast<char>(static_cast<unsigned char>(b) | (1u << (at % 8)));
        }
        setU16(&page[2], static_cast<std::uint32_t>(m_format.pageSize - m_format.indexEntriesOffset - at));
        return page;
    }

private:
    const Format& m_format;
    std::uint32_t m_tdefPage;
};

// A child of the level being built: its page and its last entry, whole.
struct Child {
    std::uint32_t page;
    std::string last;
};

} // namespace

IndexPages buildIndexPages(const Format& format, std::uint32_t tdefPage, std::vector<IndexEntry> entries,
                           std::uint32_t firstPage)
{
    std::sort(entries.begin(), entries.end(), entryLess);
    const std::size_t capacity = format.pageSize - format.indexEntriesOffset;
    const std::size_t maxPrefix = fieldsOf(format).maxPrefix;
    const PageWriter writer(format, tdefPage);
    IndexPages out;

    // Leaves: each takes entries while their size, with the prefix the page's
    // first and last entry share left out of all but the first, still fits.
    std::vector<Child> children;
    std::vector<std::string> whole; // the current leaf's entries
    std::size_t total = 0;          // their bytes, uncompressed
    std::size_t prefix = 0;
    std::vector<std::vector<std::string>> leaves;
    std::vector<std::size_t> prefixes;
    auto closeLeaf = [&] {
        leaves.push_back(std::move(whole));
        prefixes.push_back(prefix);
        whole.clear();
        total = 0;
        prefix = 0;
    };
    for (IndexEntry& e : entries) {
        std::string bytes = std::move(e.key);
        appendIndexRowPointer(&bytes, e.page, e.row);
        if (!whole.empty()) {
            const std::size_t p =
                std::min({whole.size() == 1 ? bytes.size() : prefix, commonPrefix(whole.front(), bytes), maxPrefix});
            if (total + bytes.size() - whole.size() * p <= capacity) {
                prefix = p;
                total += bytes.size();
                whole.push_back(std::move(bytes));
                continue;
            }
            closeLeaf();
        }
        total = bytes.size();
        whole.push_back(std::move(bytes));
    }
    if (!whole.empty() || leaves.empty())
        closeLeaf();
    entries.clear();
    entries.shrink_to_fit();

    const auto leafCount = static_cast<std::uint32_t>(leaves.size());
    for (std::uint32_t i = 0; i < leafCount; ++i) {
        const std::uint32_t page = firstPage + i;
        std::vector<std::string_view> views(leaves[i].begin(), leaves[i].end());
        out.pages.push_back(
            writer.write(true, views, prefixes[i], i == 0 ? 0 : page - 1, i + 1 == leafCount ? 0 : page + 1, 0));
        if (!leaves[i].empty())
            children.push_back({page, std::move(leaves[i].back())});
        leaves[i] = {};
    }

    // Node levels until one page remains. A node entry is the child's last
    // entry and its page number; the rightmost page of a level names its last
    // child in the tail instead of an entry.
    while (children.size() > 1) {
        std::vector<std::vector<std::string>> nodes;
        std::vector<std::uint32_t> tails;
        std::vector<std::string> current;
        std::size_t used = 0;
        for (std::size_t i = 0; i < children.size(); ++i) {
            std::string bytes = std::move(children[i].last);
            putU32BE(&bytes, children[i].page);
            const bool lastChild = i + 1 == children.size();
            if (lastChild) {
                tails.push_back(children[i].page);
                break;
            }
            if (!current.empty() && used + bytes.size() > capacity) {
                nodes.push_back(std::move(current));
                tails.push_back(0);
                current.clear();
                used = 0;
            }
            used += bytes.size();
            current.push_back(std::move(bytes));
        }
        nodes.push_back(std::move(current));

        const auto base = static_cast<std::uint32_t>(firstPage + out.pages.size());
        const auto count = static_cast<std::uint32_t>(nodes.size());
        std::vector<Child> parents;
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::uint32_t page = base + i;
            std::vector<std::string_view> views(nodes[i].begin(), nodes[i].end());
            out.pages.push_back(
                writer.write(false, views, 0, i == 0 ? 0 : page - 1, i + 1 == count ? 0 : page + 1, tails[i]));
            // The parent's entry repeats the last leaf entry under this page:
            // the last entry here, less its child pointer. The rightmost
            // page needs none, as it becomes the parent level's tail.
            std::string last;
            if (tails[i] == 0)
                last = nodes[i].back().substr(0, nodes[i].back().size() - kChildPointerSize);
            parents.push_back({page, std::move(last)});
        }
        children = std::move(parents);
    }
    out.root = firstPage + static_cast<std::uint32_t>(out.pages.size()) - 1;
    return out;
}

} // namespace quorlix::jet
