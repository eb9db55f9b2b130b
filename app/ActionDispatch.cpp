#include "app/ActionDispatch.h"

namespace quenda {

QString ActionDispatch::notAvailableMessage(const L10n& l10n, const QString& title) {
    return l10n.format(QStringLiteral("hud_not_available"), {title});
}

void ActionDispatch::notAvailable(HotKeyAction action) {
    t_.hud.show(notAvailableMessage(t_.l10n, t_.title(action)), kMessageDuration);
}

void ActionDispatch::execute(HotKeyAction action) {
    using A = HotKeyAction;
    if (!isAvailable(action)) return notAvailable(action);
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
        case A::layoutAuto:
            return t_.windows.tile(Layout::auto_);
        case A::layoutColumns2:
            return t_.windows.tile(Layout::columns2);
        case A::layoutColumns3:
            return t_.windows.tile(Layout::columns3);
        case A::layoutColumns4:
            return t_.windows.tile(Layout::columns4);
        case A::layoutGrid2x2:
            return t_.windows.tile(Layout::grid2x2);
        case A::layoutMainStack:
            return t_.windows.tile(Layout::mainStack);
        case A::layoutGrid3x2:
            return t_.windows.tile(Layout::grid3x2);
        case A::layoutCenterSides:
            return t_.windows.tile(Layout::centerSides);
        case A::layoutRows2:
            return t_.windows.tile(Layout::rows2);
        case A::layoutGrid3x3:
            return t_.windows.tile(Layout::grid3x3);
        case A::mosaicRotate:
            return t_.windows.rotate();
        case A::mosaicPromote:
            return t_.windows.promoteFocused();
        case A::groupsNext:
            return t_.groups.showNext();
        case A::groupsPrev:
            return t_.groups.showPrevious();
        case A::groupsMoveNext:
            return t_.groups.moveFocused(1);
        case A::groupsMovePrev:
            return t_.groups.moveFocused(-1);
        case A::groupsAuto:
            t_.groups.autoGroup(false);
            return t_.groups.show(0);
        case A::wsSave1:
            return t_.workspaces.save(1);
        case A::wsSave2:
            return t_.workspaces.save(2);
        case A::wsSave3:
            return t_.workspaces.save(3);
        case A::wsRestore1:
            return t_.workspaces.restore(1);
        case A::wsRestore2:
            return t_.workspaces.restore(2);
        case A::wsRestore3:
            return t_.workspaces.restore(3);
        case A::toolsClipboard:
            if (!t_.toggleClipboardPanel) return notAvailable(action);
            return t_.toggleClipboardPanel();
        case A::groupsOverview:
            if (!t_.toggleOverview) return notAvailable(action);
            return t_.toggleOverview();
        case A::toolsShelf:
            return t_.shelfPanel.toggle();
        case A::toolsShelfAdd:
            // The clipboard answers later; the panel shows at once and the item joins it then.
            t_.shelf.addFromClipboard();
            return t_.shelfPanel.bringToFront();
        case A::toolsDashboard:
            if (!t_.showDashboard) return notAvailable(action);
            return t_.showDashboard();
        case A::bridgeMark:
        case A::bridgeSend:
        case A::bridgeSendEnter:
        case A::bridgeSendClipboard:
        case A::bridgeGroup:
        case A::bridgeBroadcast:
            return bridge(action);
        // Commands whose subsystem has not landed yet (the catalogue's `isAvailable` lists
        // them, and their shortcuts are not grabbed).
        default:
            return notAvailable(action);
    }
}

void ActionDispatch::bridge(HotKeyAction action) {
    using A = HotKeyAction;
    if (!t_.relay) return notAvailable(action);
    Relay& relay = *t_.relay;
    switch (action) {
        case A::bridgeMark:
            return relay.markTarget();
        case A::bridgeSend:
            return relay.sendSelection(false);
        case A::bridgeSendEnter:
            return relay.sendSelection(true);
        case A::bridgeSendClipboard:
            return relay.sendClipboard(false);
        case A::bridgeGroup:
            return relay.toggleGroupMembership();
        case A::bridgeBroadcast:
            return relay.broadcast();
        default:
            return;
    }
}

}  // namespace quenda
