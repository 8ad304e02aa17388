// VISA resource expressions, compiled to a nondeterministic automaton and simulated state set by
// state set, so matching time grows with expression length times text length and never more.
#ifndef VISA_EXPRESSION_H
#define VISA_EXPRESSION_H

#include <bitset>
#include <string>
#include <vector>

namespace visa {

enum class ExpressionMatch { Match, NoMatch, Invalid };

class ResourceExpression
{
public:
    // Longest expression and deepest parenthesis nesting accepted.
    static constexpr size_t maxLength = 4096;
    static constexpr int maxDepth = 200;

    /**
        @brief Compiles an expression: '?' any one character, '*' zero or more and '+' one or
               more of the item before, [set] with ranges a-z, [^set], '|' between
               alternatives, parentheses, '\' before a character that stands for itself.
               Letters match either case.
     */
    explicit ResourceExpression(const std::string &expression);

    bool isValid() const { return valid; }
    // True when the whole text matches; false for an invalid expression.
    bool matches(const std::string &text) const;

private:
    struct Node
    {
        bool consumes = false;
        std::bitset<256> chars; // consuming node: the characters it takes
        int next = -1;          // consuming node: where it goes after one character
        std::vector<int> epsilon;
    };
    struct Fragment
    {
        int start;
        int end;
    };

    int node();
    Fragment consuming(const std::bitset<256> &chars);
    bool parseAlternatives(Fragment &result, int depth);
    bool parseSequence(Fragment &result, int depth);
    bool parseRepeat(Fragment &result, int depth);
    bool parseAtom(Fragment &result, int depth);
    bool parseSet(std::bitset<256> &chars);
    void closure(std::vector<char> &in, std::vector<int> &list) const;

    std::string expr;
    size_t pos = 0;
    std::vector<Node> nodes;
    int start = -1;
    int accept = -1;
    bool valid = false;
};

// The pure entry for tests and fuzzing: compiles `expression` and matches `text` against it.
ExpressionMatch matchResourceExpression(const std::string &expression, const std::string &text);

} // namespace visa

#endif
