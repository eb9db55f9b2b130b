#include "app/ActionDispatch.h"

namespace quenda {

QString ActionDispatch::notAvailableMessage(const QString& title) {
    return QStringLiteral("«%1» aún no está disponible").arg(title);
}

void ActionDispatch::notAvailable(HotKeyAction action) {
    t_.hud.show(notAvailableMessage(t_.title(action)), kMessageDuration);
}

void ActionDispatch::execute(HotKeyAction action) {
    using A = HotKeyAction;
    switch (action) {
        case A::winLeft:
            return t_.windows.snap(Snap::left);
        case A::winRight:
            return t_.windows.snap(Snap::right);
        case A::winTop:
            return t_.windows.snap(Snap::top);
        case A::winBottom:
            return t_.windows.snap(Snap::bottom);
        case A::winMaximize:
            return t_.windows.snap(Snap::maximize);
        case A::winCenter:
            return t_.windows.snap(Snap::center);
        case A::winMaxCenter:
            return t_.windows.toggleMaximizeCenter();
        case A::winNextScreen:
            return t_.windows.moveToNextScreen();
        // Tiling, the mosaic, groups, workspaces, the bridge's sending, the clipboard panel,
        // the shelf and the dashboard join the dispatch as their subsystems land.
        default:
            return notAvailable(action);
    }
}

}  // namespace quenda
