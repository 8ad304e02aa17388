#include "visa_expression.h"

namespace visa {

namespace {

// ASCII letters only, whatever the process locale says about bytes above 127.
void addBothCases(std::bitset<256> &chars)
{
    for (size_t c = 'a'; c <= 'z'; ++c)
        if (chars[c] || chars[c - 'a' + 'A'])
            chars.set(c).set(c - 'a' + 'A');
}

} // namespace

ResourceExpression::ResourceExpression(const std::string &expression) : expr(expression)
{
    if (expr.size() > maxLength)
        return;
    Fragment whole{};
    if (!parseAlternatives(whole, 0) || pos != expr.size())
        return;
    start = whole.start;
    accept = whole.end;
    valid = true;
}

int ResourceExpression::node()
{
    nodes.emplace_back();
    return int(nodes.size()) - 1;
}

ResourceExpression::Fragment ResourceExpression::consuming(const std::bitset<256> &chars)
{
    const int s = node();
    const int e = node();
    nodes[size_t(s)].consumes = true;
    nodes[size_t(s)].chars = chars;
    nodes[size_t(s)].next = e;
    return {s, e};
}

bool ResourceExpression::parseAlternatives(Fragment &result, int depth)
{
    Fragment first{};
    if (!parseSequence(first, depth))
        return false;
    if (pos >= expr.size() || expr[pos] != '|') {
        result = first;
        return true;
    }
    const int s = node();
    const int e = node();
    nodes[size_t(s)].epsilon.push_back(first.start);
    nodes[size_t(first.end)].epsilon.push_back(e);
    while (pos < expr.size() && expr[pos] == '|') {
        ++pos;
        Fragment other{};
        if (!parseSequence(other, depth))
            return false;
        nodes[size_t(s)].epsilon.push_back(other.start);
        nodes[size_t(other.end)].epsilon.push_back(e);
    }
    result = {s, e};
    return true;
}

bool ResourceExpression::parseSequence(Fragment &result, int depth)
{
    const int s = node();
    int end = s;
    while (pos < expr.size() && expr[pos] != '|' && expr[pos] != ')') {
        Fragment item{};
        if (!parseRepeat(item, depth))
            return false;
        nodes[size_t(end)].epsilon.push_back(item.start);
        end = item.end;
    }
    result = {s, end};
    return true;
}

bool ResourceExpression::parseRepeat(Fragment &result, int depth)
{
    Fragment item{};
    if (!parseAtom(item, depth))
        return false;
    while (pos < expr.size() && (expr[pos] == '*' || expr[pos] == '+')) {
        const bool optional = expr[pos] == '*';
        ++pos;
        const int s = node();
        const int e = node();
        nodes[size_t(s)].epsilon.push_back(item.start);
        if (optional)
            nodes[size_t(s)].epsilon.push_back(e);
        nodes[size_t(item.end)].epsilon.push_back(item.start);
        nodes[size_t(item.end)].epsilon.push_back(e);
        item = {s, e};
    }
    result = item;
    return true;
}

bool ResourceExpression::parseAtom(Fragment &result, int depth)
{
    if (pos >= expr.size())
        return false;
    const unsigned char c = static_cast<unsigned char>(expr[pos]);
    std::bitset<256> chars;
    switch (c) {
    case '*':
    case '+':
        return false; // nothing to repeat
    case '(': {
        if (depth >= maxDepth)
            return false;
        ++pos;
        Fragment inner{};
        if (!parseAlternatives(inner, depth + 1))
            return false;
        if (pos >= expr.size() || expr[pos] != ')')
            return false;
        ++pos;
        result = inner;
        return true;
    }
    case '[':
        ++pos;
        if (!parseSet(chars))
            return false;
        result = consuming(chars);
        return true;
    case '?':
        ++pos;
        chars.set();
        chars.reset(0);
        result = consuming(chars);
        return true;
    case '\\':
        if (pos + 1 >= expr.size())
            return false;
        chars.set(static_cast<unsigned char>(expr[pos + 1]));
        pos += 2;
        break;
    default:
        chars.set(c);
        ++pos;
        break;
    }
    addBothCases(chars);
    result = consuming(chars);
    return true;
}

bool ResourceExpression::parseSet(std::bitset<256> &chars)
{
    bool negated = false;
    if (pos < expr.size() && expr[pos] == '^') {
        negated = true;
        ++pos;
    }
    bool empty = true;
    while (pos < expr.size() && expr[pos] != ']') {
        unsigned char low = static_cast<unsigned char>(expr[pos]);
        if (low == '\\') {
            if (pos + 1 >= expr.size())
                return false;
            low = static_cast<unsigned char>(expr[++pos]);
        }
        ++pos;
        unsigned char high = low;
        if (pos + 1 < expr.size() && expr[pos] == '-' && expr[pos + 1] != ']') {
            ++pos;
            high = static_cast<unsigned char>(expr[pos]);
            if (high == '\\') {
                if (pos + 1 >= expr.size())
                    return false;
                high = static_cast<unsigned char>(expr[++pos]);
            }
            ++pos;
            if (high < low)
                return false;
        }
        for (unsigned c = low; c <= high; ++c)
            chars.set(c);
        empty = false;
    }
    if (pos >= expr.size() || empty)
        return false; // unterminated, or "[]"
    ++pos;
    addBothCases(chars);
    if (negated) {
        chars.flip();
        chars.reset(0);
    }
    return true;
}

void ResourceExpression::closure(std::vector<char> &in, std::vector<int> &list) const
{
    // `list` holds the nodes reached so far; follow epsilon edges from each one.
    for (size_t i = 0; i < list.size(); ++i)
        for (const int next : nodes[size_t(list[i])].epsilon)
            if (!in[size_t(next)]) {
                in[size_t(next)] = 1;
                list.push_back(next);
            }
}

bool ResourceExpression::matches(const std::string &text) const
{
    if (!valid)
        return false;
    std::vector<char> in(nodes.size(), 0);
    std::vector<int> current{start};
    in[size_t(start)] = 1;
    closure(in, current);
    std::vector<int> next;
    for (const char ch : text) {
        const unsigned char c = static_cast<unsigned char>(ch);
        std::fill(in.begin(), in.end(), 0);
        next.clear();
        for (const int n : current) {
            const Node &state = nodes[size_t(n)];
            if (state.consumes && state.chars[c] && !in[size_t(state.next)]) {
                in[size_t(state.next)] = 1;
                next.push_back(state.next);
            }
        }
        closure(in, next);
        current.swap(next);
        if (current.empty())
            return false;
    }
    for (const int n : current)
        if (n == accept)
            return true;
    return false;
}

ExpressionMatch matchResourceExpression(const std::string &expression, const std::string &text)
{
    const ResourceExpression compiled(expression);
    if (!compiled.isValid())
        return ExpressionMatch::Invalid;
    return compiled.matches(text) ? ExpressionMatch::Match : ExpressionMatch::NoMatch;
}

} // namespace visa
