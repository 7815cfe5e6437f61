// lstrcmpA / lstrcmpiA: the word-sort comparison of the US English locale on
// Windows-1252 text, and lstrlenA.
//
// Strings are compared level by level; a later level only breaks ties of
// the earlier ones:
//   1. base weights: punctuation and symbols < digits < letters, letters
//      case-blind and with accents stripped;
//   2. accents (an unaccented letter sorts first);
//   3. case, lower case first (lstrcmpA only);
//   4. characters ignored by word sort (hyphen, apostrophe, control
//      characters): a string that has them sorts after one that has not;
//   5. the bytes themselves, so 0 means identical text.
#include <array>
#include <cstring>

#include "zelt/win32.h"

namespace {

struct Weight {
    unsigned short primary = 0;  // 0 = ignored at the first three levels
    unsigned char accent = 0;
    unsigned char upper = 0;
};

constexpr unsigned short kSymbolBase = 0x100;
constexpr unsigned short kDigitBase = 0x300;
constexpr unsigned short kLetterBase = 0x400;

// Windows-1252 letters outside ASCII: the base letter for each code (0 = not
// a letter) and whether it is upper case.
struct ExtendedLetter {
    unsigned char code;
    char base;
    bool upper;
};
constexpr ExtendedLetter kExtendedLetters[] = {
    {0x83, 'f', false}, {0x8A, 's', true},  {0x8C, 'o', true},  {0x8E, 'z', true},  {0x9A, 's', false},
    {0x9C, 'o', false}, {0x9E, 'z', false}, {0x9F, 'y', true},  {0xAA, 'a', false}, {0xBA, 'o', false},
    {0xC0, 'a', true},  {0xC1, 'a', true},  {0xC2, 'a', true},  {0xC3, 'a', true},  {0xC4, 'a', true},
    {0xC5, 'a', true},  {0xC6, 'a', true},  {0xC7, 'c', true},  {0xC8, 'e', true},  {0xC9, 'e', true},
    {0xCA, 'e', true},  {0xCB, 'e', true},  {0xCC, 'i', true},  {0xCD, 'i', true},  {0xCE, 'i', true},
    {0xCF, 'i', true},  {0xD0, 'd', true},  {0xD1, 'n', true},  {0xD2, 'o', true},  {0xD3, 'o', true},
    {0xD4, 'o', true},  {0xD5, 'o', true},  {0xD6, 'o', true},  {0xD8, 'o', true},  {0xD9, 'u', true},
    {0xDA, 'u', true},  {0xDB, 'u', true},  {0xDC, 'u', true},  {0xDD, 'y', true},  {0xDE, 't', true},
    {0xDF, 's', false}, {0xE0, 'a', false}, {0xE1, 'a', false}, {0xE2, 'a', false}, {0xE3, 'a', false},
    {0xE4, 'a', false}, {0xE5, 'a', false}, {0xE6, 'a', false}, {0xE7, 'c', false}, {0xE8, 'e', false},
    {0xE9, 'e', false}, {0xEA, 'e', false}, {0xEB, 'e', false}, {0xEC, 'i', false}, {0xED, 'i', false},
    {0xEE, 'i', false}, {0xEF, 'i', false}, {0xF0, 'd', false}, {0xF1, 'n', false}, {0xF2, 'o', false},
    {0xF3, 'o', false}, {0xF4, 'o', false}, {0xF5, 'o', false}, {0xF6, 'o', false}, {0xF8, 'o', false},
    {0xF9, 'u', false}, {0xFA, 'u', false}, {0xFB, 'u', false}, {0xFC, 'u', false}, {0xFD, 'y', false},
    {0xFE, 't', false}, {0xFF, 'y', false},
};

// ASCII punctuation in word-sort order; hyphen and apostrophe are absent
// because word sort ignores them.
constexpr char kSymbolOrder[] = "\t\n\v\f\r !\"#$%&()*,./:;?@[\\]^_`{|}~+<=>";

constexpr unsigned char UpperForm(unsigned char code) {
    switch (code) {
        case 0x9A: return 0x8A;
        case 0x9C: return 0x8C;
        case 0x9E: return 0x8E;
        case 0xFF: return 0x9F;
        default: return (code >= 0xE0 && code != 0xF7) ? static_cast<unsigned char>(code - 0x20) : code;
    }
}

constexpr std::array<Weight, 256> BuildWeights() {
    std::array<Weight, 256> table{};
    unsigned short next = kSymbolBase;
    for (const char *s = kSymbolOrder; *s != '\0'; ++s) table[static_cast<unsigned char>(*s)].primary = next++;
    // Remaining non-letters of the upper half sort after the ASCII symbols.
    for (int c = 0x80; c < 0x100; ++c) table[c].primary = static_cast<unsigned short>(next + c - 0x80);
    for (int c = '0'; c <= '9'; ++c) table[c].primary = static_cast<unsigned short>(kDigitBase + (c - '0'));
    table[0xB9] = {static_cast<unsigned short>(kDigitBase + 1), 1, 0};
    table[0xB2] = {static_cast<unsigned short>(kDigitBase + 2), 1, 0};
    table[0xB3] = {static_cast<unsigned short>(kDigitBase + 3), 1, 0};
    for (int c = 'a'; c <= 'z'; ++c) {
        table[c] = {static_cast<unsigned short>(kLetterBase + (c - 'a')), 0, 0};
        table[c - 0x20] = {static_cast<unsigned short>(kLetterBase + (c - 'a')), 0, 1};
    }
    for (const ExtendedLetter &letter : kExtendedLetters) {
        // Each accented code gets its own accent weight; upper and lower case
        // forms of one letter share it.
        const unsigned char accent = static_cast<unsigned char>(UpperForm(letter.code) - 0x7F);
        table[letter.code] = {static_cast<unsigned short>(kLetterBase + (letter.base - 'a')), accent,
                              static_cast<unsigned char>(letter.upper ? 1 : 0)};
    }
    // Ignored by word sort: hyphen, apostrophe, control characters, DEL.
    for (int c = 1; c < 0x20; ++c)
        if (c < '\t' || c > '\r') table[c] = {};
    table['-'] = {};
    table['\''] = {};
    table[0x7F] = {};
    table[0xAD] = {};  // soft hyphen
    return table;
}

constexpr std::array<Weight, 256> kWeights = BuildWeights();

const Weight &WeightOf(const char *s) { return kWeights[static_cast<unsigned char>(*s)]; }

int Sign(int value) { return (value > 0) - (value < 0); }

// Compares one weight field over the characters that word sort does not
// ignore; a string that ends first sorts first.
template <class Field>
int CompareLevel(const char *a, const char *b, Field field) {
    for (;;) {
        while (*a != '\0' && WeightOf(a).primary == 0) ++a;
        while (*b != '\0' && WeightOf(b).primary == 0) ++b;
        if (*a == '\0' || *b == '\0') return (*a != '\0') - (*b != '\0');
        const int difference = int{field(WeightOf(a))} - int{field(WeightOf(b))};
        if (difference != 0) return Sign(difference);
        ++a;
        ++b;
    }
}

int CompareIgnored(const char *a, const char *b) {
    for (;;) {
        while (*a != '\0' && WeightOf(a).primary != 0) ++a;
        while (*b != '\0' && WeightOf(b).primary != 0) ++b;
        if (*a == '\0' || *b == '\0') return (*a != '\0') - (*b != '\0');
        if (*a != *b) return static_cast<unsigned char>(*a) < static_cast<unsigned char>(*b) ? -1 : 1;
        ++a;
        ++b;
    }
}

unsigned char FoldCase(unsigned char c) {
    if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) return static_cast<unsigned char>(c + 0x20);
    return c;
}

int CompareBytes(const char *a, const char *b, bool ignoreCase) {
    for (;; ++a, ++b) {
        unsigned char x = static_cast<unsigned char>(*a), y = static_cast<unsigned char>(*b);
        if (ignoreCase) {
            x = FoldCase(x);
            y = FoldCase(y);
        }
        if (x != y) return x < y ? -1 : 1;
        if (x == 0) return 0;
    }
}

int WordSortCompare(const char *a, const char *b, bool ignoreCase) {
    if (a == nullptr || b == nullptr) return (a != nullptr) - (b != nullptr);
    if (int r = CompareLevel(a, b, [](const Weight &w) { return w.primary; })) return r;
    if (int r = CompareLevel(a, b, [](const Weight &w) { return w.accent; })) return r;
    if (!ignoreCase)
        if (int r = CompareLevel(a, b, [](const Weight &w) { return w.upper; })) return r;
    if (int r = CompareIgnored(a, b)) return r;
    return CompareBytes(a, b, ignoreCase);
}

}  // namespace

extern "C" {

int WINAPI lstrcmpA(LPCSTR lpString1, LPCSTR lpString2) { return WordSortCompare(lpString1, lpString2, false); }
int WINAPI lstrcmpiA(LPCSTR lpString1, LPCSTR lpString2) { return WordSortCompare(lpString1, lpString2, true); }
int WINAPI lstrlenA(LPCSTR lpString) { return lpString != nullptr ? static_cast<int>(std::strlen(lpString)) : 0; }

}  // extern "C"
