#include "sim_loader.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <set>
#include <yaml-cpp/yaml.h>

#include "sim_descriptor.h"

namespace sim {

namespace {

// A mistake in the file: thrown inside the loader only, caught in loadSystem.
struct FileError
{
    int line;
    std::string message;
};

int lineOf(const YAML::Node &node, int fallback)
{
    const int line = node.Mark().line;
    return line >= 0 ? line + 1 : fallback;
}

[[noreturn]] void fail(int line, const std::string &message)
{
    throw FileError{line, message};
}

std::string quoted(const std::string &text)
{
    std::string shown = text.size() > 60 ? text.substr(0, 60) + "..." : text;
    for (char &c : shown)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            c = '?';
    return "\"" + shown + "\"";
}

std::string kindName(const YAML::Node &node)
{
    switch (node.Type()) {
    case YAML::NodeType::Null:
        return "nothing";
    case YAML::NodeType::Scalar:
        return "a single value";
    case YAML::NodeType::Sequence:
        return "a list";
    case YAML::NodeType::Map:
        return "a mapping";
    default:
        return "nothing";
    }
}

// One key and its value inside a mapping, with the line to blame.
struct Field
{
    std::string name;
    YAML::Node value;
    int line;
};

bool parseInteger(const std::string &text, long long &result)
{
    std::string s = text;
    bool negative = false;
    size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        negative = s[i] == '-';
        ++i;
    }
    int base = 10;
    if (s.compare(i, 2, "0x") == 0 || s.compare(i, 2, "0X") == 0) {
        base = 16;
        i += 2;
    } else if (s.compare(i, 2, "0o") == 0) {
        base = 8;
        i += 2;
    }
    if (i >= s.size() || s.size() - i > 20)
        return false;
    unsigned long long value = 0;
    for (; i < s.size(); ++i) {
        const char c = s[i];
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return false;
        if (digit >= base)
            return false;
        if (value > (0x7fffffffffffffffULL - static_cast<unsigned>(digit)) / base)
            return false;
        value = value * base + static_cast<unsigned>(digit);
    }
    result = negative ? -static_cast<long long>(value) : static_cast<long long>(value);
    return true;
}

class Reader
{
public:
    std::vector<Field> fields(const YAML::Node &node, int line, const std::string &where,
                              std::initializer_list<const char *> allowed)
    {
        if (!node.IsMap())
            fail(lineOf(node, line), where + " must be a mapping, not " + kindName(node));
        std::vector<Field> result;
        std::set<std::string> seen;
        for (const auto &entry : node) {
            const int keyLine = lineOf(entry.first, line);
            if (!entry.first.IsScalar())
                fail(keyLine, "a key in " + where + " must be a name");
            const std::string name = entry.first.Scalar();
            if (std::find_if(allowed.begin(), allowed.end(),
                             [&](const char *a) { return name == a; }) == allowed.end())
                fail(keyLine, "unknown key " + quoted(name) + " in " + where);
            if (!seen.insert(name).second)
                fail(keyLine, "duplicate key " + quoted(name) + " in " + where);
            result.push_back({name, entry.second, lineOf(entry.second, keyLine)});
        }
        return result;
    }

    long long integer(const Field &f, long long min, long long max)
    {
        long long value = 0;
        if (!f.value.IsScalar() || f.value.Tag() == "!" || !parseInteger(f.value.Scalar(), value))
            fail(f.line, "wrong type: " + f.name + " must be an integer, not " + shown(f.value));
        if (value < min || value > max)
            fail(f.line, f.name + " " + std::to_string(value) + " is outside " +
                             std::to_string(min) + " to " + std::to_string(max));
        return value;
    }

    // A status is written as a signed decimal or as its 32-bit pattern, such as 0xBFFF0015.
    ViStatus status(const Field &f)
    {
        const long long value = integer(f, INT32_MIN, UINT32_MAX);
        return static_cast<ViStatus>(static_cast<uint32_t>(value));
    }

    double number(const YAML::Node &node, int line, const std::string &what)
    {
        if (node.IsScalar() && node.Tag() != "!") {
            const std::string &s = node.Scalar();
            long long asInteger = 0;
            if (parseInteger(s, asInteger))
                return static_cast<double>(asInteger);
            if (!s.empty() && s.size() < 64) {
                char *end = nullptr;
                errno = 0;
                const double value = std::strtod(s.c_str(), &end);
                if (end == s.c_str() + s.size() && errno == 0 && std::isfinite(value) &&
                    s.find_first_of("xXnNiI") == std::string::npos)
                    return value;
            }
        }
        fail(lineOf(node, line), "wrong type: " + what + " must be a number, not " + shown(node));
    }

    std::string text(const Field &f, size_t maxLength)
    {
        if (!f.value.IsScalar())
            fail(f.line, "wrong type: " + f.name + " must be a text, not " + kindName(f.value));
        const std::string value = f.value.Scalar();
        if (value.size() > maxLength)
            fail(f.line, f.name + " is longer than " + std::to_string(maxLength) + " characters");
        return value;
    }

    std::string shown(const YAML::Node &node)
    {
        return node.IsScalar() ? quoted(node.Scalar()) : kindName(node);
    }

    System system(const YAML::Node &root)
    {
        if (root.IsNull())
            fail(1, "the file holds no \"resources\" list");
        System result;
        bool haveResources = false;
        for (const Field &f : fields(root, 1, "the file", {"resources"})) {
            haveResources = true;
            if (f.value.IsNull())
                continue; // "resources:" with nothing: an empty system
            if (!f.value.IsSequence())
                fail(f.line, "wrong type: resources must be a list, not " + kindName(f.value));
            if (f.value.size() > maxResources)
                fail(f.line, "more than " + std::to_string(maxResources) + " resources");
            for (const auto &entry : f.value)
                resource(entry, f.line, result);
        }
        if (!haveResources)
            fail(1, "the file holds no \"resources\" list");
        return result;
    }

private:
    std::map<std::string, int> descriptorLines;
    size_t cardCount = 0;

    void resource(const YAML::Node &node, int parentLine, System &system)
    {
        Resource r;
        const int line = lineOf(node, parentLine);
        bool haveDescriptor = false;
        for (const Field &f :
             fields(node, line, "a resource",
                    {"descriptor", "open_delay_ms", "open_status", "slot", "logical_address",
                     "tcpip_address", "hostname", "device_name", "carrier", "link"})) {
            if (f.name == "descriptor") {
                r.descriptor = text(f, VI_FIND_BUFLEN - 1);
                const DescriptorInfo info = parseDescriptor(r.descriptor);
                if (!info.valid)
                    fail(f.line, "descriptor " + quoted(r.descriptor) +
                                     " is not a VISA resource name: " + info.problem);
                r.canonical = info.canonical;
                // Two spellings VISA opens as one resource are one resource listed twice.
                const auto earlier = descriptorLines.find(r.canonical);
                if (earlier != descriptorLines.end())
                    fail(f.line, "duplicate descriptor " + quoted(r.descriptor) +
                                     " (first on line " + std::to_string(earlier->second) +
                                     "; both name " + r.canonical + ")");
                descriptorLines[r.canonical] = f.line;
                haveDescriptor = true;
            } else if (f.name == "open_delay_ms") {
                r.openDelayMs = static_cast<int>(integer(f, 0, maxDelayMs));
            } else if (f.name == "open_status") {
                r.openStatus = status(f);
            } else if (f.name == "slot") {
                r.slot = static_cast<ViInt16>(integer(f, INT16_MIN, INT16_MAX));
                r.hasSlot = true;
            } else if (f.name == "logical_address") {
                r.logicalAddress = static_cast<ViInt16>(integer(f, INT16_MIN, INT16_MAX));
                r.hasLogicalAddress = true;
            } else if (f.name == "tcpip_address") {
                r.tcpipAddress = text(f, 255);
                r.hasTcpipAddress = true;
            } else if (f.name == "hostname") {
                r.hostname = text(f, 255);
                r.hasHostname = true;
            } else if (f.name == "device_name") {
                r.deviceName = text(f, 255);
                r.hasDeviceName = true;
            } else if (f.name == "carrier") {
                carrier(f, r.carrier);
                r.hasCarrier = true;
            } else if (f.name == "link") {
                link(f, r.link);
            }
        }
        if (!haveDescriptor)
            fail(line, "a resource needs a descriptor");
        system.resources.push_back(std::move(r));
    }

    void link(const Field &field, Link &l)
    {
        for (const Field &f :
             fields(field.value, field.line, "the link", {"latency_ms", "timeout_ms", "down"})) {
            if (f.name == "latency_ms")
                l.latencyMs = static_cast<int>(integer(f, 0, maxDelayMs));
            else if (f.name == "timeout_ms")
                l.timeoutMs = static_cast<int>(integer(f, 0, maxDelayMs));
            else
                downWindows(f, l.down);
        }
    }

    void downWindows(const Field &f, std::vector<LinkWindow> &windows)
    {
        if (!f.value.IsSequence())
            fail(f.line, "wrong type: down must be a list of {after_ms, for_ms[, fails]}, not " +
                             kindName(f.value));
        for (const auto &entry : f.value) {
            const int line = lineOf(entry, f.line);
            LinkWindow w;
            int found = 0;
            for (const Field &wf :
                 fields(entry, line, "a down window", {"after_ms", "for_ms", "fails"})) {
                if (wf.name == "fails") {
                    // How a call fails in the window: after the timeout, or at once.
                    const std::string how = text(wf, 16);
                    if (how == "conn_lost")
                        w.fails = VI_ERROR_CONN_LOST;
                    else if (how != "timeout")
                        fail(wf.line, "fails must be timeout or conn_lost, not " + quoted(how));
                    continue;
                }
                if (wf.name == "after_ms")
                    w.afterMs = integer(wf, 0, maxLinkTimeMs);
                else
                    w.forMs = integer(wf, 1, maxLinkTimeMs);
                ++found;
            }
            if (found != 2)
                fail(line, "a down window needs after_ms and for_ms");
            if (!windows.empty()) {
                const long long previousEnd = windows.back().afterMs + windows.back().forMs;
                if (w.afterMs < previousEnd)
                    fail(line, "down windows must be in time order and must not overlap: this "
                               "one starts at " +
                                   std::to_string(w.afterMs) + " ms, the one before ends at " +
                                   std::to_string(previousEnd) + " ms");
            }
            windows.push_back(w);
        }
    }

    void carrier(const Field &field, Carrier &c)
    {
        bool haveModel = false;
        bool havePositions = false;
        std::map<int, int> positionLines; // card position -> line of its "position" key
        for (const Field &f :
             fields(field.value, field.line, "the carrier", {"model", "positions", "cards"})) {
            if (f.name == "model") {
                c.model = static_cast<ViUInt16>(integer(f, 0, 0xFFFF));
                haveModel = true;
            } else if (f.name == "positions") {
                c.positions = static_cast<int>(integer(f, 1, QM6080_MAX_POSITIONS));
                havePositions = true;
            } else if (f.name == "cards") {
                if (f.value.IsNull())
                    continue;
                if (!f.value.IsSequence())
                    fail(f.line, "wrong type: cards must be a list, not " + kindName(f.value));
                if (f.value.size() > QM6080_MAX_POSITIONS)
                    fail(f.line, "more cards than the " + std::to_string(QM6080_MAX_POSITIONS) +
                                     " positions a carrier can have");
                for (const auto &entry : f.value) {
                    int positionLine = f.line;
                    c.cards.push_back(card(entry, f.line, positionLine));
                    const int position = c.cards.back().position;
                    if (positionLines.count(position) != 0)
                        fail(positionLine, "two cards in position " + std::to_string(position) +
                                               " (first on line " +
                                               std::to_string(positionLines[position]) + ")");
                    positionLines[position] = positionLine;
                }
            }
        }
        if (!haveModel)
            fail(field.line, "the carrier needs a model");
        std::sort(c.cards.begin(), c.cards.end(),
                  [](const Card &a, const Card &b) { return a.position < b.position; });
        if (!havePositions)
            c.positions = c.cards.empty() ? 0 : c.cards.back().position;
        for (const Card &card : c.cards)
            if (card.position > c.positions)
                fail(positionLines[card.position],
                     "card position " + std::to_string(card.position) +
                         " is outside the carrier's " + std::to_string(c.positions) + " positions");
    }

    Card card(const YAML::Node &node, int parentLine, int &positionLine)
    {
        const int line = lineOf(node, parentLine);
        if (++cardCount > maxCards)
            fail(line, "more than " + std::to_string(maxCards) + " cards in the file");
        Card c;
        for (Group &g : c.groups)
            g = Group();
        c.groups[2] = Group{true, -10.0, 10.0, 0};
        c.groups[3] = Group{true, -10.0, 10.0, 0};
        bool havePosition = false;
        bool haveModel = false;
        bool haveSerial = false;
        positionLine = line;
        for (const Field &f :
             fields(node, line, "a card",
                    {"position", "model", "option", "serial", "subtype", "firmware", "groups",
                     "open_circuit", "call_delay_ms", "fail"})) {
            if (f.name == "position") {
                c.position = static_cast<int>(integer(f, 1, QM6080_MAX_POSITIONS));
                havePosition = true;
                positionLine = f.line;
            } else if (f.name == "model") {
                c.model = static_cast<ViUInt16>(integer(f, 1, 0xFFFF));
                haveModel = true;
            } else if (f.name == "option") {
                const std::string option = text(f, 2);
                if (option.size() != 2)
                    fail(f.line, "option must be two characters, not " + quoted(option));
                c.option = static_cast<ViUInt16>((static_cast<unsigned char>(option[0]) << 8) |
                                                 static_cast<unsigned char>(option[1]));
            } else if (f.name == "serial") {
                c.serial = static_cast<ViUInt32>(integer(f, 0, 0xFFFFFFFFLL));
                haveSerial = true;
            } else if (f.name == "subtype") {
                c.subtype = text(f, QM7240_SUBTYPE_LEN - 1);
            } else if (f.name == "firmware") {
                c.firmware = text(f, QM7240_FIRMWARE_REV_LEN - 1);
            } else if (f.name == "groups") {
                groups(f, c);
            } else if (f.name == "open_circuit") {
                if (!f.value.IsSequence())
                    fail(f.line, "wrong type: open_circuit must be a list of channels, not " +
                                     kindName(f.value));
                for (const auto &entry : f.value) {
                    const Field channel{"an open_circuit channel", entry, lineOf(entry, f.line)};
                    c.openCircuit[static_cast<size_t>(integer(channel, 1, QM7240_CHANNELS) - 1)] =
                        true;
                }
            } else if (f.name == "call_delay_ms") {
                c.callDelayMs = static_cast<int>(integer(f, 0, maxDelayMs));
            } else if (f.name == "fail") {
                failRules(f, c);
            }
        }
        if (!havePosition)
            fail(line, "a card needs a position");
        if (!haveModel)
            fail(line, "a card needs a model");
        if (!haveSerial)
            c.serial = defaultSerialBase + static_cast<ViUInt32>(c.position);
        c.reset();
        return c;
    }

    void groups(const Field &f, Card &c)
    {
        if (!f.value.IsSequence())
            fail(f.line, "wrong type: groups must be a list, not " + kindName(f.value));
        if (f.value.size() != QM7240_GROUPS)
            fail(f.line, "groups must list " + std::to_string(QM7240_GROUPS) + " groups, not " +
                             std::to_string(f.value.size()));
        size_t index = 0;
        for (const auto &entry : f.value) {
            const int line = lineOf(entry, f.line);
            Group g;
            if (entry.IsScalar()) {
                if (entry.Scalar() == "voltage")
                    fail(line, "a voltage group needs its limits: {voltage: [low, high]}");
                if (entry.Scalar() != "current")
                    fail(line, "unknown group kind " + quoted(entry.Scalar()) +
                                   " (current or {voltage: [low, high]})");
            } else if (entry.IsMap()) {
                if (entry.size() != 1)
                    fail(line, "a group is current or {voltage: [low, high]}");
                const auto kind = entry.begin();
                const std::string name =
                    kind->first.IsScalar() ? kind->first.Scalar() : std::string("?");
                if (name != "voltage")
                    fail(line, "unknown group kind " + quoted(name) +
                                   " (current or {voltage: [low, high]})");
                const YAML::Node limits = kind->second;
                const int limitsLine = lineOf(limits, line);
                if (!limits.IsSequence() || limits.size() != 2)
                    fail(limitsLine, "wrong type: voltage limits must be a list of two numbers");
                g.voltage = true;
                g.lo = number(limits[0], limitsLine, "a voltage limit");
                g.hi = number(limits[1], limitsLine, "a voltage limit");
                g.range = 0;
                if (!(g.lo < g.hi))
                    fail(limitsLine, "voltage limits must increase (low below high)");
            } else {
                fail(line, std::string("wrong type: a group must be current or {voltage: [low, "
                                       "high]}, not ") +
                               kindName(entry));
            }
            c.groups[index++] = g;
        }
    }

    // report: [type, low, high], what qm7240_getOutputRange tells instead of the truth.
    void report(const Field &k, FailRule &rule)
    {
        if (!k.value.IsSequence() || k.value.size() != 3)
            fail(k.line, "wrong type: report must be a list [type, low, high]");
        const Field type{"report's type", k.value[0], lineOf(k.value[0], k.line)};
        rule.reportType = static_cast<ViInt32>(integer(type, INT32_MIN, INT32_MAX));
        rule.reportLo = number(k.value[1], k.line, "report's low limit");
        rule.reportHi = number(k.value[2], k.line, "report's high limit");
        rule.misreport = true;
    }

    void failRules(const Field &f, Card &c)
    {
        static const char *const channelOps[] = {"qm7240_writeChannel", "qm7240_getDACStatus"};
        static const char *const groupOps[] = {"qm7240_getOutputRange", "qm7240_setOutputRange"};
        for (const Field &op :
             fields(f.value, f.line, "fail",
                    {"qm7240_init", "qm7240_close", "qm7240_reset", "qm7240_revision_query",
                     "qm7240_readSerialNo", "qm7240_getOutputRange", "qm7240_setOutputRange",
                     "qm7240_writeChannel", "qm7240_getDACStatus"})) {
            const bool takesChannel = op.name == channelOps[0] || op.name == channelOps[1];
            const bool takesGroup =
                takesChannel || op.name == groupOps[0] || op.name == groupOps[1];
            FailRule rule;
            if (op.value.IsScalar()) {
                rule.status = status({op.name, op.value, op.line});
            } else {
                bool haveStatus = false;
                for (const Field &k : fields(op.value, op.line, "the fail entry of " + op.name,
                                             {"status", "channel", "group", "after", "report"})) {
                    if (k.name == "report") {
                        if (op.name != "qm7240_getOutputRange")
                            fail(k.line, op.name + " reports no range");
                        report(k, rule);
                        haveStatus = true;
                    } else if (k.name == "status") {
                        rule.status = status(k);
                        haveStatus = true;
                    } else if (k.name == "channel") {
                        if (!takesChannel)
                            fail(k.line, op.name + " takes no channel");
                        rule.channel = static_cast<ViInt32>(integer(k, 1, QM7240_CHANNELS));
                    } else if (k.name == "group") {
                        if (!takesGroup)
                            fail(k.line, op.name + " takes no group");
                        rule.group = static_cast<ViInt32>(integer(k, 1, QM7240_GROUPS));
                    } else if (k.name == "after") {
                        rule.after = integer(k, 0, 1000000000000LL);
                    }
                }
                if (!haveStatus)
                    fail(op.line, "the fail entry of " + op.name + " needs a status" +
                                      (op.name == "qm7240_getOutputRange" ? " or a report" : ""));
                if (rule.channel != 0 && rule.group != 0)
                    fail(op.line,
                         "the fail entry of " + op.name + " names a channel or a group, not both");
            }
            c.fail[op.name] = rule;
        }
    }
};

// yaml-cpp parses nesting recursively; refuse depths no simulation file needs before the parser
// sees them, so that no input can exhaust the stack.
bool nestingTooDeep(const std::string &text, int &line)
{
    int depth = 0;
    int column = 0;
    bool lineStart = true;
    line = 1;
    for (const char c : text) {
        if (c == '\n') {
            ++line;
            column = 0;
            lineStart = true;
            continue;
        }
        if (c == '[' || c == '{') {
            if (++depth > 64)
                return true;
        } else if ((c == ']' || c == '}') && depth > 0) {
            --depth;
        }
        if (lineStart) {
            if (c == ' ' || c == '\t' || c == '-' || c == '?' || c == ':') {
                if (++column > 200)
                    return true;
            } else {
                lineStart = false;
            }
        }
    }
    return false;
}

std::string errorLine(const std::string &fileName, int line, const std::string &message)
{
    return fileName + (line > 0 ? ":" + std::to_string(line) : std::string()) + ": " + message;
}

} // namespace

LoadResult loadSystem(const std::string &text, const std::string &fileName)
{
    LoadResult result;
    try {
        int line = 0;
        if (text.size() > maxFileBytes) {
            result.error = errorLine(fileName, 0, "the file is larger than 1 MiB");
            return result;
        }
        if (text.find('\0') != std::string::npos) {
            result.error = errorLine(fileName, 0, "the file holds a NUL byte; it is not text");
            return result;
        }
        if (nestingTooDeep(text, line)) {
            result.error = errorLine(fileName, line, "lists or mappings nested too deeply");
            return result;
        }
        const YAML::Node root = YAML::Load(text);
        Reader reader;
        result.system = reader.system(root);
        result.ok = true;
    } catch (const FileError &e) {
        result.error = errorLine(fileName, e.line, e.message);
    } catch (const YAML::Exception &e) {
        const int line = e.mark.line >= 0 ? e.mark.line + 1 : 0;
        std::string message = e.msg.empty() ? std::string("unreadable YAML") : e.msg;
        result.error = errorLine(fileName, line, "YAML syntax error: " + message);
    } catch (const std::exception &e) {
        result.error = errorLine(fileName, 0, std::string("cannot be read: ") + e.what());
    } catch (...) {
        result.error = errorLine(fileName, 0, "cannot be read");
    }
    if (!result.ok)
        result.system = System();
    for (char &c : result.error)
        if (c == '\n' || c == '\r')
            c = ' ';
    return result;
}

} // namespace sim
