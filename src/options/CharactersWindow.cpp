#include "options/CharactersWindow.h"

namespace quorlix {

const std::array<int, 94>& poolOrderCodes()
{
    static const std::array<int, 94> codes = [] {
        std::array<int, 94> out{};
        std::size_t i = 0;
        for (const auto& range : kPoolOrder)
            for (int code = range.first; code <= range.last; ++code)
                out[i++] = code;
        return out;
    }();
    return codes;
}

CharactersWorkingCopy::CharactersWorkingCopy(const CharacterPool& pool)
{
    for (int code : poolOrderCodes())
        m_checked[code] = pool.isAvailable(code);
}

std::string CharactersWorkingCopy::boxCaption(int code)
{
    if (code == '&')
        return " &&";
    return std::string(" ") + static_cast<char>(code);
}

void CharactersWorkingCopy::setChecked(int code, bool on)
{
    if (code >= kFirstCode && code <= kLastCode)
        m_checked[code] = on;
}

int CharactersWorkingCopy::checkedCount() const
{
    int count = 0;
    for (int code : poolOrderCodes())
        count += m_checked[code] ? 1 : 0;
    return count;
}

void CharactersWorkingCopy::checkAll()
{
    for (int code : poolOrderCodes())
        m_checked[code] = true;
}

void CharactersWorkingCopy::checkDefault()
{
    checkAll();
    // Characters easily mistaken for one another.
    for (int code : {'l', 'j', 'i', 'O', '0', '1'})
        m_checked[code] = false;
}

void CharactersWorkingCopy::clearClass(CharClass c)
{
    for (int code : poolOrderCodes())
        if (classOf(code) == c)
            m_checked[code] = false;
}

void CharactersWorkingCopy::clearNumbers()
{
    clearClass(CharClass::Number);
}

void CharactersWorkingCopy::clearLowercase()
{
    clearClass(CharClass::Lowercase);
}

void CharactersWorkingCopy::clearUppercase()
{
    clearClass(CharClass::Uppercase);
}

void CharactersWorkingCopy::clearSpecial()
{
    clearClass(CharClass::Special);
}

ReadoutText CharactersWorkingCopy::accept(CharacterPool& pool, const RunValues& values) const
{
    for (int code : poolOrderCodes())
        pool.setAvailable(code, m_checked[code]);
    return refreshReadout(pool, values);
}

} // namespace quorlix
