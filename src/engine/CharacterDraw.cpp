#include "engine/CharacterDraw.h"

#include <algorithm>
#include <cstring>

#include "platform/SecretMemory.h"

namespace quorlix
{

namespace
{

// floor(count / total * 100 + 1/2), exactly.
std::int16_t weightOf(int count, int total)
{
    if (count < 1 || total <= 0)
        return 0;
    return static_cast<std::int16_t>((200 * count + total) / (2 * total));
}

} // namespace

ClassWeights classWeights(const CharacterPool& pool)
{
    const int total = pool.availableCount();
    return {weightOf(pool.availableInClass(CharClass::Number), total),
            weightOf(pool.availableInClass(CharClass::Lowercase), total),
            weightOf(pool.availableInClass(CharClass::Uppercase), total),
            weightOf(pool.availableInClass(CharClass::Special), total)};
}

bool hasThreeClasses(std::string_view password)
{
    bool number = false;
    bool lower = false;
    bool upper = false;
    bool special = false;
    for (const char ch : password) {
        const int code = static_cast<unsigned char>(ch);
        if (code < kFirstCode || code > kLastCode)
            continue; // the blank separator
        switch (classOf(code)) {
        case CharClass::Number:
            number = true;
            break;
        case CharClass::Lowercase:
            lower = true;
            break;
        case CharClass::Uppercase:
            upper = true;
            break;
        default:
            special = true;
            break;
        }
    }
    return int{number} + int{lower} + int{upper} + int{special} >= 3;
}

CharacterDrawer::CharacterDrawer(const RunRequest& request, RandomSource& random, Yielder& yielder, RunState& state,
                                 Mode mode)
    : m_request(request), m_random(random), m_yielder(yielder), m_state(state), m_mode(mode),
      m_min(request.values.minLength), m_max(std::min<int>(request.values.maxLength, kMaxLength))
{
}

void CharacterDrawer::refreshPool()
{
    m_seenServed = m_yielder.servedCount();
    m_classCount.fill(0);
    m_available.fill(0);
    for (int code = kFirstCode; code <= kLastCode; ++code) {
        const bool on = m_request.pool.isAvailable(code);
        m_available[code] = on ? 1 : 0;
        m_classCount[static_cast<int>(classOf(code))] += on ? 1 : 0;
    }
    for (int cls = 0; cls <= 4; ++cls)
        m_usable[cls] = cls > 0 && m_classCount[cls] > 0;
}

void CharacterDrawer::setWeights(const ClassWeights& weights)
{
    m_weights = weights;
    const int n = std::max<int>(weights.number, 0);
    const int l = std::max<int>(weights.lowercase, 0);
    const int u = std::max<int>(weights.uppercase, 0);
    m_weightSum = n + l + u + std::max<int>(weights.special, 0);
    // c is Number up to n, Lowercase up to n + l, Uppercase up to n + l + u, else Special.
    for (int c = 1; c <= m_weightSum; ++c)
        m_classByDraw[c] = c <= n ? 1 : c <= n + l ? 2 : c <= n + l + u ? 3 : 4;
    m_classByWeight = {false, n > 0, l > 0, u > 0, weights.special > 0};
}

inline int CharacterDrawer::drawClass(RandomSource::Cursor& random)
{
    if (m_weightSum <= 0)
        return 0; // nothing to draw from
    return m_classByDraw[random.drawWhole(static_cast<std::uint32_t>(m_weightSum), 1)];
}

inline char CharacterDrawer::drawCharacter(int cls, RandomSource::Cursor& random)
{
    int code = 0;
    switch (cls) {
    case 1:
    case 2:
    case 3: {
        // Numbers, lowercase and uppercase are each one range.
        const Range range = m_ranges[cls];
        do
            code = random.drawWhole(range.width, range.lowest);
        while (!m_available[code]);
        break;
    }
    default:
        // The four special ranges in proportion to their sizes, 15 : 7 : 6 : 4.
        do {
            const int g = random.drawWhole(32, 63);
            if (g <= 77)
                code = random.drawWhole(15, 33);
            else if (g <= 84)
                code = random.drawWhole(7, 58);
            else if (g <= 90)
                code = random.drawWhole(6, 91);
            else
                code = random.drawWhole(4, 123);
        } while (!m_available[code]);
        break;
    }
    return static_cast<char>(code);
}

bool CharacterDrawer::deadEnd(int p) const
{
    const CheckOptions& checks = m_request.checks;
    const int rule = m_request.rules.rule[p];
    const bool any = rule < 1 || rule > 4;
    // What the position draws from: its rule's class, or every class the class draw can give.
    const auto drawable = [&](int cls) { return any ? m_classByWeight[cls] : cls == rule; };
    int candidates = 0;
    for (int cls = 1; cls <= 4; ++cls)
        candidates += drawable(cls) ? m_classCount[cls] : 0;
    const int before = static_cast<unsigned char>(m_chars[p - 1]);
    const auto blocked = [&](int code) {
        return code >= kFirstCode && code <= kLastCode && m_available[code] &&
               drawable(static_cast<int>(classOf(code)));
    };
    int rejectable = 0;
    if (checks.sideBySide)
        rejectable += blocked(before);
    if (checks.sequential)
        rejectable += int{blocked(before - 1)} + int{blocked(before + 1)};
    return rejectable >= candidates;
}

CharacterDrawer::Result CharacterDrawer::draw(const StopPrompt& prompt)
{
    if (m_yielder.servedCount() != m_seenServed)
        refreshPool();
    const bool multiFile = m_mode == Mode::MultiFile;
    const auto& rules = m_request.rules.rule;
    const CheckOptions& checks = m_request.checks;
    RandomSource::Cursor random(m_random);
    // The position checks' switches change only while the event loop runs.
    bool sideBySide = checks.sideBySide;
    bool sequential = checks.sequential;
    const auto reread = [&] {
        random.load();
        sideBySide = checks.sideBySide;
        sequential = checks.sequential;
    };
    // The event loop and the stop prompt may run anything: the cursor hands
    // its place back to the source around them.
    const auto yield = [&] {
        if (m_yielder.due()) {
            random.store();
            m_yielder.serveIfTime();
            reread();
        }
    };
    const auto stopConfirmed = [&] {
        random.store();
        const bool stop = prompt();
        reread();
        return stop;
    };

restart: // the whole-password retry point
    m_length = random.draw(m_max - m_min + 1, m_min);
    for (int p = 1; p <= m_length; ++p) {
        if (multiFile)
            yield();
        int attempts = 0;
        for (;;) { // the position's retry point
            int cls = rules[p];
            if (static_cast<unsigned>(cls - 1) > 3u)
                cls = drawClass(random);
            if (!m_usable[cls]) [[unlikely]] {
                if (!multiFile) {
                    if (++attempts > kMaxEmptyClassAttempts)
                        return Result::Impossible;
                    continue;
                }
                // Without a limit this would spin for ever; yield so Stop and
                // the Characters window can still reach the run.
                random.store();
                m_yielder();
                reread();
                if (m_state.stopPending() && prompt && stopConfirmed())
                    return Result::Stopped;
                if (m_yielder.servedCount() != m_seenServed)
                    refreshPool();
                continue;
            }
            const char ch = drawCharacter(cls, random);
            m_chars[p] = ch;
            if (m_state.stopPending() && prompt && stopConfirmed()) [[unlikely]]
                return Result::Stopped;
            yield();
            if ((sideBySide || sequential) && p >= 2) {
                const int diff = static_cast<unsigned char>(ch) - static_cast<unsigned char>(m_chars[p - 1]);
                if ((sideBySide && diff == 0) || (sequential && (diff == 1 || diff == -1))) {
                    if (rejected())
                        return Result::Endless;
                    if (deadEnd(p))
                        goto restart;
                    continue; // the position's retry point
                }
            }
            break;
        }
    }

    // A mark at index i puts its separator after the i-th character.
    const auto& hyphen = m_request.inserts.hyphen;
    const auto& blank = m_request.inserts.blank;
    if (m_yielder.servedCount() != m_marksSeen) {
        // The marks change only while the event loop runs.
        m_marksSeen = m_yielder.servedCount();
        m_firstMark = kMaxLength + 1;
        for (int i = kMaxLength; i >= 0; --i)
            if (hyphen[i] == 1 || blank[i] == 1)
                m_firstMark = i;
    }
    if (m_firstMark >= m_length) {
        m_assembledInChars = true; // no separator: the drawn characters are the password
        m_assembledLength = m_length;
        return Result::Drawn;
    }
    m_assembledInChars = false;
    char* out = m_assembled.data();
    for (int k = 1; k <= m_length; ++k) {
        if (hyphen[k - 1] == 1)
            *out++ = '-';
        if (blank[k - 1] == 1)
            *out++ = ' ';
        *out++ = m_chars[k];
    }
    m_assembledLength = static_cast<int>(out - m_assembled.data());
    return Result::Drawn;
}

CharacterDrawer::~CharacterDrawer()
{
    wipeSecret(m_chars.data(), sizeof m_chars);
    wipeSecret(m_assembled.data(), sizeof m_assembled);
}

void AcceptedPasswords::clear()
{
    m_set.clear();
    m_pending.clear();
}

void AcceptedPasswords::indexPending()
{
    std::size_t at = 0;
    while (at < m_pending.size()) {
        const auto len = static_cast<unsigned char>(m_pending[at]);
        m_set.insert(std::string_view(m_pending.data() + at + 1, len));
        at += 1 + len;
    }
    m_pending.clear();
}

bool AcceptedPasswords::contains(std::string_view password, std::uint64_t hash)
{
    if (!m_pending.empty())
        indexPending();
    return m_set.contains(password, hash);
}

void AcceptedPasswords::add(std::string_view password, bool checked)
{
    if (checked) {
        m_set.insert(password);
        return;
    }
    m_pending.push_back(static_cast<char>(password.size()));
    m_pending.append(password.data(), password.size());
}

bool AcceptedPasswords::addIfNew(std::string_view password, std::uint64_t hash)
{
    if (!m_pending.empty())
        indexPending();
    return m_set.insert(password, hash);
}

} // namespace quorlix
