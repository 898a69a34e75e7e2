#include "engine/Pronounceable.h"

#include <gmp.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <vector>

#include "options/RunOptions.h"
#include "platform/SecretMemory.h"

namespace quorlix
{

namespace
{

// A natural number of any size, just what counting and drawing need.
class Big
{
public:
    Big() { mpz_init(m_value); }
    explicit Big(unsigned long value) { mpz_init_set_ui(m_value, value); }
    Big(const Big& other) { mpz_init_set(m_value, other.m_value); }
    Big& operator=(const Big& other)
    {
        mpz_set(m_value, other.m_value);
        return *this;
    }
    ~Big()
    {
        // It may hold the index of a password.
        if (mpz_size(m_value) > 0)
            wipeSecret(mpz_limbs_modify(m_value, static_cast<mp_size_t>(mpz_size(m_value))),
                       mpz_size(m_value) * sizeof(mp_limb_t));
        mpz_clear(m_value);
    }
    mpz_ptr get() { return m_value; }
    mpz_srcptr get() const { return m_value; }
    std::string decimal() const
    {
        std::string out(mpz_sizeinbase(m_value, 10) + 2, '\0');
        mpz_get_str(out.data(), 10, m_value);
        out.resize(std::char_traits<char>::length(out.c_str()));
        return out;
    }
    double log2() const
    {
        if (mpz_sgn(m_value) == 0)
            return 0;
        long exponent = 0;
        const double mantissa = mpz_get_d_2exp(&exponent, m_value); // in [0.5, 1)
        return std::log2(mantissa) + static_cast<double>(exponent);
    }

private:
    mpz_t m_value;
};

std::uint32_t bits32(RandomSource& random)
{
    // next() < 1 with 53 bits: the product's whole part is its top 32 bits.
    return static_cast<std::uint32_t>(random.next() * 4294967296.0);
}

// Passwords of one length with a given number of syllables, some closed.
struct Group {
    int length = 0;
    int letters = 0;
    int syllables = 0;
    int closed = 0;
    Big end; // the groups' counts added up to here
};

char upper(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

} // namespace

std::uint32_t uniformBelow(RandomSource& random, std::uint32_t n)
{
    if (n <= 1)
        return 0;
    // The largest multiple of n that fits in 32 bits: below it every
    // remainder is equally often hit.
    const std::uint64_t range = std::uint64_t{1} << 32;
    const std::uint64_t limit = range - range % n;
    for (;;) {
        const std::uint32_t x = bits32(random);
        if (x < limit)
            return x % n;
    }
}

struct PronounceableLanguage::Impl {
    PronounceableSettings settings;
    SyllableTable table;
    std::vector<Group> groups;
    std::vector<Big> perLength; // index: length - minLength
    Big total;
    std::size_t bits = 0; // of total
    // Scratch of draw(), kept to avoid allocating per password.
    Big index;
    std::vector<std::uint32_t> words;
    std::string letters;
    std::array<bool, 64> closedAt{};
    std::array<int, 65> starts{}; // syllable i is letters[starts[i], starts[i + 1])
    std::array<int, 66> order{};  // the parts of the password in their order
    std::string digits;

    int digitCount() const { return std::clamp<int>(settings.digitCount, 0, kPronounceableMostDigits); }
    int symbolCount() const { return settings.symbol ? 1 : 0; }

    // The ways to put the digits and the symbol around k syllables.
    unsigned long placements(int k) const
    {
        const auto places = static_cast<unsigned long>(k) + 1;
        if (digitCount() > 0 && symbolCount() > 0)
            return places * (places + 1);
        if (digitCount() > 0 || symbolCount() > 0)
            return places;
        return 1;
    }

    // Passwords with k syllables, j of them closed, s letters.
    void groupCount(int k, int j, int s, Big& out) const
    {
        Big part;
        mpz_bin_uiui(out.get(), static_cast<unsigned long>(k), static_cast<unsigned long>(j));
        mpz_ui_pow_ui(part.get(), static_cast<unsigned long>(table.consonants.size() * table.vowels.size()),
                      static_cast<unsigned long>(k));
        mpz_mul(out.get(), out.get(), part.get());
        mpz_ui_pow_ui(part.get(), static_cast<unsigned long>(table.closing.size()), static_cast<unsigned long>(j));
        mpz_mul(out.get(), out.get(), part.get());
        mpz_ui_pow_ui(part.get(), static_cast<unsigned long>(table.digits.size()),
                      static_cast<unsigned long>(digitCount()));
        mpz_mul(out.get(), out.get(), part.get());
        if (symbolCount() > 0)
            mpz_mul_ui(out.get(), out.get(), static_cast<unsigned long>(table.symbols.size()));
        mpz_mul_ui(out.get(), out.get(), placements(k));
        if (settings.capital == CapitalStyle::Random)
            mpz_mul_ui(out.get(), out.get(), static_cast<unsigned long>(s));
    }

    void build()
    {
        const int min = std::max<int>(settings.minLength, 1);
        const int max = std::min<int>(settings.maxLength, kMaxLength);
        for (int length = min; length <= max; ++length) {
            Big sum;
            const int s = length - digitCount() - symbolCount();
            // s = 2k + j with 0 <= j <= k: between s/3 and s/2 syllables.
            for (int k = std::max(1, (s + 2) / 3); 2 * k <= s; ++k) {
                const int j = s - 2 * k;
                Group g;
                g.length = length;
                g.letters = s;
                g.syllables = k;
                g.closed = j;
                Big count;
                groupCount(k, j, s, count);
                if (mpz_sgn(count.get()) == 0)
                    continue;
                mpz_add(sum.get(), sum.get(), count.get());
                mpz_add(total.get(), total.get(), count.get());
                g.end = total;
                groups.push_back(std::move(g));
            }
            perLength.push_back(sum);
        }
        bits = mpz_sgn(total.get()) == 0 ? 0 : mpz_sizeinbase(total.get(), 2);
        words.resize((bits + 31) / 32);
    }
};

PronounceableLanguage::PronounceableLanguage(const PronounceableSettings& settings, const SyllableTable& table)
    : m(std::make_unique<Impl>())
{
    m->settings = settings;
    m->table = table;
    m->build();
}

PronounceableLanguage::~PronounceableLanguage()
{
    if (m) {
        wipeSecret(m->letters.data(), m->letters.capacity());
        wipeSecret(m->digits.data(), m->digits.capacity());
        wipeSecret(m->words.data(), m->words.size() * sizeof(std::uint32_t));
    }
}
PronounceableLanguage::PronounceableLanguage(PronounceableLanguage&&) noexcept = default;
PronounceableLanguage& PronounceableLanguage::operator=(PronounceableLanguage&&) noexcept = default;

std::string PronounceableLanguage::count() const
{
    return m->total.decimal();
}

std::string PronounceableLanguage::countOfLength(int length) const
{
    const int min = std::max<int>(m->settings.minLength, 1);
    if (length < min || length > std::min<int>(m->settings.maxLength, kMaxLength))
        return "0";
    return m->perLength[static_cast<std::size_t>(length - min)].decimal();
}

bool PronounceableLanguage::empty() const
{
    return mpz_sgn(m->total.get()) == 0;
}

double PronounceableLanguage::bits() const
{
    return m->total.log2();
}

long double PronounceableLanguage::approximateCount() const
{
    return std::exp2l(static_cast<long double>(m->total.log2()));
}

std::uint64_t PronounceableLanguage::saturatedCount() const
{
    if (mpz_sizeinbase(m->total.get(), 2) > 64)
        return std::numeric_limits<std::uint64_t>::max();
    std::uint64_t value = 0;
    mpz_export(&value, nullptr, -1, sizeof value, 0, 0, m->total.get());
    return value;
}

int PronounceableLanguage::shortestLength() const
{
    return 2 + m->digitCount() + m->symbolCount();
}

int PronounceableLanguage::draw(RandomSource& random, std::string& out)
{
    Impl& s = *m;
    const SyllableTable& t = s.table;
    if (s.groups.empty()) {
        out.clear();
        return 0;
    }

    // The index: uniform below the count, by whole words of bits and a new
    // try when it falls at or above it (less than half of the tries).
    mpz_ptr index = s.index.get();
    do {
        for (std::uint32_t& w : s.words)
            w = bits32(random);
        mpz_import(index, s.words.size(), -1, sizeof(std::uint32_t), 0, 0, s.words.data());
        mpz_fdiv_r_2exp(index, index, s.bits);
    } while (mpz_cmp(index, s.total.get()) >= 0);
    const auto found = std::upper_bound(s.groups.begin(), s.groups.end(), index,
                                        [](mpz_srcptr i, const Group& g) { return mpz_cmp(i, g.end.get()) < 0; });
    const Group& g = *found;
    const int k = g.syllables;

    // Which syllables are closed: every set of g.closed of the k is equally
    // likely (each syllable in turn, with the chance of the closings left).
    int left = g.closed;
    for (int i = 0; i < k; ++i) {
        const bool closed = static_cast<int>(uniformBelow(random, static_cast<std::uint32_t>(k - i))) < left;
        s.closedAt[static_cast<std::size_t>(i)] = closed;
        left -= closed ? 1 : 0;
    }
    s.letters.clear();
    for (int i = 0; i < k; ++i) {
        s.starts[static_cast<std::size_t>(i)] = static_cast<int>(s.letters.size());
        s.letters += t.consonants[uniformBelow(random, static_cast<std::uint32_t>(t.consonants.size()))];
        s.letters += t.vowels[uniformBelow(random, static_cast<std::uint32_t>(t.vowels.size()))];
        if (s.closedAt[static_cast<std::size_t>(i)])
            s.letters += t.closing[uniformBelow(random, static_cast<std::uint32_t>(t.closing.size()))];
    }
    s.starts[static_cast<std::size_t>(k)] = static_cast<int>(s.letters.size());
    if (s.settings.capital == CapitalStyle::First) {
        s.letters[0] = upper(s.letters[0]);
    } else if (s.settings.capital == CapitalStyle::Random) {
        const std::size_t at = uniformBelow(random, static_cast<std::uint32_t>(g.letters));
        s.letters[at] = upper(s.letters[at]);
    }
    s.digits.clear();
    for (int d = 0; d < s.digitCount(); ++d)
        s.digits += t.digits[uniformBelow(random, static_cast<std::uint32_t>(t.digits.size()))];
    char symbol = '\0';
    if (s.symbolCount() > 0)
        symbol = t.symbols[uniformBelow(random, static_cast<std::uint32_t>(t.symbols.size()))];

    // The parts in order: syllable i is i, the digits kDigits, the symbol
    // kSymbol. The digits go before syllable d (d = k: after the last), then
    // the symbol before part p of those (p = their count: at the end).
    constexpr int kDigits = -1, kSymbol = -2;
    const int digitPlace =
        s.digitCount() > 0 ? static_cast<int>(uniformBelow(random, static_cast<std::uint32_t>(k + 1))) : -1;
    int parts = 0;
    for (int i = 0; i <= k; ++i) {
        if (i == digitPlace)
            s.order[static_cast<std::size_t>(parts++)] = kDigits;
        if (i < k)
            s.order[static_cast<std::size_t>(parts++)] = i;
    }
    if (symbol) {
        const int place = static_cast<int>(uniformBelow(random, static_cast<std::uint32_t>(parts + 1)));
        for (int p = parts; p > place; --p)
            s.order[static_cast<std::size_t>(p)] = s.order[static_cast<std::size_t>(p - 1)];
        s.order[static_cast<std::size_t>(place)] = kSymbol;
        ++parts;
    }

    const char separator = separatorCharacter(s.settings.separator);
    out.clear();
    for (int p = 0; p < parts; ++p) {
        if (p > 0 && separator)
            out += separator;
        const int part = s.order[static_cast<std::size_t>(p)];
        if (part == kDigits)
            out += s.digits;
        else if (part == kSymbol)
            out += symbol;
        else
            out.append(s.letters, static_cast<std::size_t>(s.starts[static_cast<std::size_t>(part)]),
                       static_cast<std::size_t>(s.starts[static_cast<std::size_t>(part) + 1] -
                                                s.starts[static_cast<std::size_t>(part)]));
    }
    return g.length;
}

} // namespace quorlix
