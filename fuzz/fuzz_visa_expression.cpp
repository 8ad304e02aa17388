// Any expression and descriptor: the matcher answers match, no match or
// invalid, and agrees with a plain reference matcher on short inputs. The
// input is the expression, a NUL byte, then the descriptor. The descriptor
// may hold any bytes but is cut to what a VISA descriptor buffer holds, as
// every descriptor viFindRsrc matches is; the expression is not cut, so the
// longest ones against the longest descriptors show the time the matcher
// takes (expression length times descriptor length).
#include <bitset>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "visa.h"
#include "visa_expression.h"

namespace {

// Longest inputs given to the reference, which works on position sets.
const size_t referenceExpressionLength = 200;
const size_t referenceTextLength = 120;
using Positions = std::bitset<referenceTextLength + 1>;

// The expression as a tree, parsed by recursive descent from the grammar the
// matcher documents: alternatives of sequences of repeated atoms.
struct Term
{
    enum Kind { Chars, Sequence, Alternatives, Star, Plus } kind = Chars;
    std::bitset<256> chars;
    std::vector<std::unique_ptr<Term>> parts;
};

class Reference
{
public:
    explicit Reference(const std::string &expression) : e(expression)
    {
        root = alternatives();
        if (root && i != e.size())
            root.reset();
    }

    bool valid() const { return root != nullptr; }

    bool matches(const std::string &text) const { return relation(*root, text)[0][text.size()]; }

private:
    std::string e;
    size_t i = 0;
    std::unique_ptr<Term> root;

    static void fold(std::bitset<256> &chars)
    {
        for (int c = 'a'; c <= 'z'; ++c)
            if (chars[size_t(c)] || chars[size_t(c - 'a' + 'A')])
                chars.set(size_t(c)).set(size_t(c - 'a' + 'A'));
    }

    std::unique_ptr<Term> alternatives()
    {
        auto alt = std::make_unique<Term>();
        alt->kind = Term::Alternatives;
        for (;;) {
            auto seq = std::make_unique<Term>();
            seq->kind = Term::Sequence;
            while (i < e.size() && e[i] != '|' && e[i] != ')') {
                auto item = atom();
                if (!item)
                    return nullptr;
                while (i < e.size() && (e[i] == '*' || e[i] == '+')) {
                    auto repeat = std::make_unique<Term>();
                    repeat->kind = e[i] == '*' ? Term::Star : Term::Plus;
                    repeat->parts.push_back(std::move(item));
                    item = std::move(repeat);
                    ++i;
                }
                seq->parts.push_back(std::move(item));
            }
            alt->parts.push_back(std::move(seq));
            if (i >= e.size() || e[i] != '|')
                return alt;
            ++i;
        }
    }

    // One set member, '\' taking the next character as itself; -1 at the end.
    int setChar()
    {
        if (i >= e.size())
            return -1;
        if (e[i] == '\\') {
            if (i + 1 >= e.size())
                return -1;
            i += 2;
            return static_cast<unsigned char>(e[i - 1]);
        }
        return static_cast<unsigned char>(e[i++]);
    }

    std::unique_ptr<Term> atom()
    {
        auto term = std::make_unique<Term>();
        const char c = e[i];
        if (c == '*' || c == '+')
            return nullptr;
        if (c == '(') {
            ++i;
            auto inner = alternatives();
            if (!inner || i >= e.size() || e[i] != ')')
                return nullptr;
            ++i;
            return inner;
        }
        if (c == '?') {
            ++i;
            term->chars.set().reset(0);
            return term;
        }
        if (c == '[') {
            ++i;
            const bool negated = i < e.size() && e[i] == '^';
            if (negated)
                ++i;
            bool any = false;
            while (i < e.size() && e[i] != ']') {
                const int low = setChar();
                if (low < 0)
                    return nullptr;
                int high = low;
                if (i + 1 < e.size() && e[i] == '-' && e[i + 1] != ']') {
                    ++i;
                    high = setChar();
                    if (high < low)
                        return nullptr;
                }
                for (int ch = low; ch <= high; ++ch)
                    term->chars.set(size_t(ch));
                any = true;
            }
            if (i >= e.size() || !any)
                return nullptr;
            ++i;
            fold(term->chars);
            if (negated)
                term->chars.flip().reset(0);
            return term;
        }
        if (c == '\\') {
            if (i + 1 >= e.size())
                return nullptr;
            ++i;
        }
        term->chars.set(static_cast<unsigned char>(e[i++]));
        fold(term->chars);
        return term;
    }

    // For each start position, the set of positions where a match of `t` can end.
    using Relation = std::vector<Positions>;

    static Relation relation(const Term &t, const std::string &text)
    {
        const size_t n = text.size() + 1;
        Relation r(n);
        switch (t.kind) {
        case Term::Chars:
            for (size_t p = 0; p + 1 < n; ++p)
                if (t.chars[static_cast<unsigned char>(text[p])])
                    r[p].set(p + 1);
            break;
        case Term::Sequence:
            for (size_t p = 0; p < n; ++p)
                r[p].set(p);
            for (const auto &part : t.parts) {
                const Relation step = relation(*part, text);
                Relation next(n);
                for (size_t p = 0; p < n; ++p)
                    for (size_t q = 0; q < n; ++q)
                        if (r[p][q])
                            next[p] |= step[q];
                r.swap(next);
            }
            break;
        case Term::Alternatives:
            for (const auto &part : t.parts) {
                const Relation step = relation(*part, text);
                for (size_t p = 0; p < n; ++p)
                    r[p] |= step[p];
            }
            break;
        case Term::Star:
        case Term::Plus: {
            const Relation step = relation(*t.parts[0], text);
            // Transitive closure (Warshall), then the empty repetition for '*'.
            r = step;
            for (size_t k = 0; k < n; ++k)
                for (size_t p = 0; p < n; ++p)
                    if (r[p][k])
                        r[p] |= r[k];
            if (t.kind == Term::Star)
                for (size_t p = 0; p < n; ++p)
                    r[p].set(p);
            break;
        }
        }
        return r;
    }
};

[[noreturn]] void broken(const char *what, const std::string &expression, const std::string &text)
{
    std::fprintf(stderr, "fuzz_visa_expression: %s\n  expression: \"%s\"\n  text: \"%s\"\n", what,
                 expression.c_str(), text.c_str());
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string input(reinterpret_cast<const char *>(data), size);
    const size_t nul = input.find('\0');
    const std::string expression = input.substr(0, nul);
    const std::string text =
        nul == std::string::npos ? std::string() : input.substr(nul + 1, VI_FIND_BUFLEN - 1);

    const visa::ExpressionMatch result = visa::matchResourceExpression(expression, text);
    if (result != visa::ExpressionMatch::Match && result != visa::ExpressionMatch::NoMatch &&
        result != visa::ExpressionMatch::Invalid)
        broken("answer is none of match, no match, invalid", expression, text);
    if (expression.size() > visa::ResourceExpression::maxLength &&
        result != visa::ExpressionMatch::Invalid)
        broken("over-long expression accepted", expression, text);

    if (expression.size() <= referenceExpressionLength && text.size() <= referenceTextLength) {
        const Reference reference(expression);
        if (reference.valid() != (result != visa::ExpressionMatch::Invalid))
            broken(reference.valid() ? "valid expression refused" : "invalid expression accepted",
                   expression, text);
        if (reference.valid() &&
            reference.matches(text) != (result == visa::ExpressionMatch::Match))
            broken(reference.matches(text) ? "match missed" : "false match", expression, text);
    }
    return 0;
}
