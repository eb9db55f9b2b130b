#include "main/ActionCommand.h"

#include "hotkeys/HotKeyAction.h"
#include "platform/desktop/DBusApplication.h"

namespace quenda {

int runActionCommand(const QStringList& args, QTextStream& out, QTextStream& err) {
    if (args.size() != 1) {
        err << "usage: quenda action ID\n";
        return 2;
    }
    if (!fromRawValue(args[0])) {
        err << "quenda: unknown action \"" << args[0] << "\"; the actions are:\n";
        for (HotKeyAction a : allActions()) err << "  " << rawValue(a) << "\n";
        return 2;
    }
    QString error;
    switch (DBusApplication::activateAction(args[0], &error)) {
        case DBusApplication::Reply::Done:
            return 0;
        case DBusApplication::Reply::NotRunning:
            err << "quenda: Quenda is not running; start it with `quenda` first\n";
            return 1;
        default:
            err << "quenda: " << error << "\n";
            return 1;
    }
}

}  // namespace quenda
