#include "options/CharacterPool.h"

namespace quorlix {

std::string_view className(CharClass c)
{
    switch (c) {
    case CharClass::Number:
        return "Numbers";
    case CharClass::Lowercase:
        return "Letters Lowercase";
    case CharClass::Uppercase:
        return "Letters Uppercase";
    case CharClass::Special:
        return "Special Symbols";
    case CharClass::Any:
        break;
    }
    return "Any";
}

std::vector<int> members(CharClass c)
{
    std::vector<int> codes;
    for (const auto& range : kPoolOrder)
        for (int code = range.first; code <= range.last; ++code)
            if (classOf(code) == c)
                codes.push_back(code);
    return codes;
}

CharacterPool CharacterPool::defaultPool()
{
    CharacterPool pool;
    for (int code = kFirstCode; code <= kLastCode; ++code)
        pool.setAvailable(code, classOf(code) != CharClass::Special);
    pool.recount();
    return pool;
}

std::int16_t CharacterPool::recount()
{
    int count = 0;
    for (const auto& range : kPoolOrder)
        for (int code = range.first; code <= range.last; ++code)
            count += isAvailable(code) ? 1 : 0;
    m_availableCount = static_cast<std::int16_t>(count);
    return m_availableCount;
}

int CharacterPool::availableInClass(CharClass c) const
{
    int count = 0;
    for (int code = kFirstCode; code <= kLastCode; ++code)
        if (classOf(code) == c && isAvailable(code))
            ++count;
    return count;
}

bool CharacterPool::deactivateWholeWordUnsafe()
{
    const bool either = isAvailable('\'') || isAvailable('|');
    if (either) {
        setAvailable('\'', false);
        setAvailable('|', false);
    }
    return either;
}

} // namespace quorlix
