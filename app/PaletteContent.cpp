#include "app/PaletteContent.h"

namespace quenda {

namespace {

PaletteAction command(const char* symbol, const char* label, HotKeyAction action) {
    return {QString::fromUtf8(symbol), QString::fromUtf8(label), PaletteRun::dispatch, action};
}
PaletteAction opens(const char* symbol, const char* label, PaletteRun run, HotKeyAction action) {
    return {QString::fromUtf8(symbol), QString::fromUtf8(label), run, action};
}

std::vector<PaletteRow> build() {
    using A = HotKeyAction;
    return {
        {QStringLiteral("palette_row_window"),
         {command("rectangle.lefthalf.filled", "palette_left", A::winLeft),
          command("rectangle.righthalf.filled", "palette_right", A::winRight),
          command("arrow.up.left.and.arrow.down.right", "palette_maximize", A::winMaximize),
          command("rectangle.center.inset.filled", "palette_center", A::winCenter),
          command("display.2", "palette_next_screen", A::winNextScreen)}},
        {QStringLiteral("palette_row_layouts"),
         {command("wand.and.stars", "palette_auto", A::layoutAuto),
          command("rectangle.split.2x1", "palette_columns2", A::layoutColumns2),
          command("rectangle.split.3x1", "palette_columns3", A::layoutColumns3),
          command("rectangle.split.2x2", "palette_grid2x2", A::layoutGrid2x2)}},
        {QStringLiteral("palette_row_bridge"),
         {command("scope", "palette_mark_target", A::bridgeMark),
          command("paperplane", "palette_send", A::bridgeSend),
          opens("doc.on.clipboard", "palette_clipboard", PaletteRun::showClipboard,
                A::toolsClipboard),
          command("tray.and.arrow.down", "palette_shelf", A::toolsShelf)}},
        {QStringLiteral("palette_row_groups"),
         {command("chevron.left", "palette_group_prev", A::groupsPrev),
          command("chevron.right", "palette_group_next", A::groupsNext),
          command("arrow.right.square", "palette_move_to_next_group", A::groupsMoveNext),
          opens("square.grid.3x3", "palette_overview", PaletteRun::showOverview,
                A::groupsOverview)}},
    };
}

}  // namespace

const std::vector<PaletteRow>& paletteRows() {
    static const std::vector<PaletteRow> rows = build();
    return rows;
}

}  // namespace quenda
