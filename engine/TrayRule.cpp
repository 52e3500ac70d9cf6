#include "engine/TrayRule.h"

bool TrayActivationToggles(TTrayHost Host, TTrayActivation Reason) {
    switch (Host) {
    case TTrayHost::XEmbed:
        return Reason == TTrayActivation::DoubleClick;
    case TTrayHost::StatusNotifier:
        return Reason == TTrayActivation::Trigger || Reason == TTrayActivation::DoubleClick;
    case TTrayHost::None:
        break;
    }
    return false;
}
