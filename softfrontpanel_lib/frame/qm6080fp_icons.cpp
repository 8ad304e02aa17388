#include "frame/qm6080fp_icons.h"

#include "xpm/connect_icon.xpm"
#include "xpm/continuous_icon.xpm"
#include "xpm/help_icon.xpm"
#include "xpm/single_shot_icon.xpm"
#include "xpm/stop_icon.xpm"
#include "xpm/window_icon.xpm"

// The pictures are drawn by tools/draw_resources; the data stays in the
// library so that no resource lookup can fail for them.
namespace qm6080fp_icons {

QPixmap windowIcon()
{
    return QPixmap(window_icon_xpm);
}

QPixmap helpIcon()
{
    return QPixmap(help_icon_xpm);
}

QPixmap singleShotIcon()
{
    return QPixmap(single_shot_icon_xpm);
}

QPixmap continuousIcon()
{
    return QPixmap(continuous_icon_xpm);
}

QPixmap stopIcon()
{
    return QPixmap(stop_icon_xpm);
}

QPixmap connectIcon()
{
    return QPixmap(connect_icon_xpm);
}

} // namespace qm6080fp_icons
