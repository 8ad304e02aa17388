#include "sim_model.h"

#include "sim_descriptor.h"

namespace sim {

void Card::reset()
{
    values.fill(0.0);
    for (Group &group : groups)
        if (!group.voltage)
            group.range = QM7240_RANGE_0_24MA;
}

Card *Carrier::card(int position)
{
    for (Card &c : cards)
        if (c.position == position)
            return &c;
    return nullptr;
}

Link::Cost Link::cost(double nowMs) const
{
    for (const LinkWindow &w : down)
        if (nowMs >= static_cast<double>(w.afterMs) &&
            nowMs < static_cast<double>(w.afterMs + w.forMs))
            return {w.fails == VI_ERROR_TMO ? timeoutMs : 0, w.fails};
    return {latencyMs, VI_SUCCESS};
}

int System::find(const std::string &descriptor) const
{
    const DescriptorInfo info = parseDescriptor(descriptor);
    return info.valid ? findCanonical(info.canonical) : -1;
}

int System::findCanonical(const std::string &canonical) const
{
    for (size_t i = 0; i < resources.size(); ++i)
        if (resources[i].canonical == canonical)
            return static_cast<int>(i);
    return -1;
}

} // namespace sim
