#include <gtest/gtest.h>

#include <map>

#include <QRegularExpression>
#include <QSet>

#include "core/L10n.h"
#include "platform/sim/TestPrinters.h"

// The strings table that ships with the program: every key the program looks up is there,
// and every format text takes exactly the arguments its callers pass.

namespace quenda {
namespace {

// Every key looked up with L10n::t or L10n::format anywhere in the program.
const char* const kKeys[] = {
    "action_bridge_broadcast",
    "action_bridge_group",
    "action_bridge_mark",
    "action_bridge_send",
    "action_bridge_send_clipboard",
    "action_bridge_send_enter",
    "action_groups_auto",
    "action_groups_move_next",
    "action_groups_move_prev",
    "action_groups_next",
    "action_groups_overview",
    "action_groups_prev",
    "action_mosaic_promote",
    "action_mosaic_rotate",
    "action_tools_clipboard",
    "action_tools_dashboard",
    "action_tools_shelf",
    "action_tools_shelf_add",
    "action_win_bottom",
    "action_win_center",
    "action_win_left",
    "action_win_max_center",
    "action_win_maximize",
    "action_win_next_screen",
    "action_win_right",
    "action_win_top",
    "action_ws_restore",
    "action_ws_save",
    "ax_live_missing_sub",
    "ax_live_ok_sub",
    "ax_short_off",
    "ax_short_on",
    "bridge_broadcast_clear",
    "bridge_broadcast_empty_hint",
    "bridge_broadcast_enter",
    "bridge_broadcast_title",
    "bridge_clear_target",
    "bridge_header",
    "bridge_no_target_hint",
    "bridge_return_toggle",
    "bridge_send_controls",
    "bridge_source_prefix",
    "bridge_subtitle",
    "bridge_target_card_title",
    "bridge_target_prefix",
    "bridge_template_edit",
    "bridge_template_label",
    "bridge_template_none",
    "btn_cancel",
    "clip_clear_sub",
    "clip_clear_unpinned",
    "clip_header",
    "clip_history_count",
    "clip_open_full",
    "clip_preview_files",
    "clip_preview_image",
    "clip_recent_empty",
    "clip_recent_title",
    "clip_shelf_add_sub",
    "clip_shelf_count",
    "clip_subtitle",
    "groups_active_label",
    "groups_controls_title",
    "groups_current_of",
    "groups_header",
    "groups_none_yet",
    "groups_overview_cta",
    "groups_overview_cta_sub",
    "groups_per_group_badge",
    "groups_screen_info",
    "groups_size_auto",
    "groups_size_label",
    "groups_subtitle",
    "guide_1_body",
    "guide_1_title",
    "guide_2_body",
    "guide_2_title",
    "guide_3_body",
    "guide_3_title",
    "guide_4_body",
    "guide_4_title",
    "guide_5_body",
    "guide_5_title",
    "guides_ax_off",
    "guides_ax_on",
    "guides_export_diag",
    "guides_open_accessibility",
    "guides_settings_header",
    "guides_settings_subtitle",
    "guides_viewer_title",
    "hk_cat_bridge",
    "hk_cat_groups",
    "hk_cat_layouts",
    "hk_cat_tools",
    "hud_broadcast_empty",
    "hud_clipboard_cleared",
    "hud_copied",
    "hud_diag_exported",
    "hud_group_added",
    "hud_group_removed",
    "hud_in_target_already",
    "hud_login_disabled",
    "hud_login_enabled",
    "hud_login_error",
    "hud_mark_target_first",
    "hud_no_active_window",
    "hud_no_active_window_mark",
    "hud_promote_missing",
    "hud_ready",
    "hud_rotate_empty",
    "layout_auto",
    "layout_centerSides",
    "layout_columns2",
    "layout_columns3",
    "layout_columns4",
    "layout_grid2x2",
    "layout_grid3x2",
    "layout_grid3x3",
    "layout_mainStack",
    "layout_rows2",
    "layout_short_auto",
    "layout_short_centerSides",
    "layout_short_columns2",
    "layout_short_columns3",
    "layout_short_columns4",
    "layout_short_grid2x2",
    "layout_short_grid3x2",
    "layout_short_grid3x3",
    "layout_short_mainStack",
    "layout_short_rows2",
    "layouts_active_window",
    "layouts_grid_title",
    "layouts_header",
    "layouts_quick_actions",
    "layouts_subtitle",
    "menu_ai_bridge",
    "menu_ax_warning",
    "menu_bridge_broadcast_count",
    "menu_check_updates",
    "menu_clipboard",
    "menu_how_it_works_guides",
    "menu_open_dashboard",
    "menu_organize_auto",
    "menu_overview",
    "menu_quit",
    "menu_shelf",
    "pref_include_other_screens",
    "pref_include_other_screens_sub",
    "settings_corner_always",
    "settings_corner_hover",
    "settings_corner_left",
    "settings_corner_mode",
    "settings_corner_never",
    "settings_corner_pos",
    "settings_corner_right",
    "settings_gap",
    "settings_general_title",
    "settings_launch_login",
    "settings_open_data",
    "settings_stage_manager",
    "shortcuts_active_count",
    "shortcuts_assigned_msg",
    "shortcuts_clear_all",
    "shortcuts_clear_one",
    "shortcuts_cleared_all_msg",
    "shortcuts_header",
    "shortcuts_need_modifier",
    "shortcuts_press_keys",
    "shortcuts_reassigned_msg",
    "shortcuts_recording_banner",
    "shortcuts_restore_defaults",
    "shortcuts_restored_msg",
    "shortcuts_search_placeholder",
    "shortcuts_subtitle",
    "shortcuts_unassigned",
    "tab_bridge",
    "tab_clipboard",
    "tab_groups",
    "tab_guides_settings",
    "tab_layouts",
    "tab_shortcuts",
    "updates_available",
    "updates_card_title",
    "updates_checking",
    "updates_downloading",
    "updates_install_now",
    "updates_installed",
    "updates_up_to_date",
    "ws_btn_restore",
    "ws_btn_save",
    "ws_section_title",
    "ws_slot_label",
    "ws_summary_empty",
    "ws_summary_filled",
};

// Keys the program also uses that the list above leaves out: the messages of the window,
// group and workspace commands and of text files, and a few texts of the tray menu, the
// greeting and the shelf panel.
const char* const kAlsoUsed[] = {
    "bridge_app_fallback",
    "hud_bridge_busy",
    "hud_group_no_others",
    "hud_nothing_selected",
    "hud_relay_not_delivered",
    "hud_relay_sent_many",
    "hud_relay_sent_one",
    "hud_relay_target_gone",
    "menu_bridge_remove_member",
    "clip_age_days",
    "clip_age_hours",
    "clip_age_minutes",
    "clip_age_now",
    "clip_menu_add_to_shelf",
    "clip_menu_copy",
    "clip_menu_delete",
    "clip_menu_paste",
    "clip_menu_paste_as_file",
    "clip_menu_pin",
    "clip_menu_reveal",
    "clip_menu_unpin",
    "clip_panel_as_files",
    "clip_panel_as_files_help",
    "clip_panel_characters",
    "clip_panel_empty",
    "clip_panel_join_paste",
    "clip_panel_multi_hint",
    "clip_panel_no_results",
    "clip_panel_paste",
    "clip_panel_paste_help",
    "clip_panel_pin_help",
    "clip_panel_search_placeholder",
    "clip_panel_selected",
    "clip_panel_template_label",
    "clip_panel_template_none",
    "clip_panel_title",
    "hud_copied_as_files",
    "hud_ax_trust",
    "hud_shelf_private_copy",
    "hud_centered",
    "hud_file_error",
    "hud_diag_error",
    "shortcuts_taken_elsewhere",
    "hud_group_focused_missing",
    "hud_group_moved",
    "hud_group_names_separator",
    "hud_group_shown",
    "hud_groups_empty",
    "hud_groups_formed",
    "hud_maximized",
    "hud_not_available",
    "hud_nothing_to_tile",
    "hud_promoted",
    "hud_rotated",
    "hud_single_screen",
    "hud_ws_empty",
    "hud_ws_nothing_to_save",
    "hud_ws_opening_apps",
    "hud_ws_restored",
    "hud_ws_save_failed",
    "hud_ws_saved",
    "hud_ws_too_large",
    "hud_ws_too_many_to_save",
    "menu_bridge_target",
    "shortcut_none_dashboard",
    "hud_clipboard_empty",
    "hud_shelf_texts_copied",
    "shelf_add_help",
    "shelf_clear_help",
    "shelf_convert_help",
    "shelf_copy_all_help",
    "shelf_copy_help",
    "shelf_drag_caption",
    "shelf_empty",
    "shelf_remove_help",
    "shelf_reveal_help",
    "shelf_title",
    // The updater's messages and error texts.
    "updates_available_managed_elsewhere",
    "updates_error_feed",
    "updates_error_signature",
    "updates_error_url",
    "updates_error_empty_download",
    "updates_error_sha256",
    "updates_error_unpack",
    "updates_error_program_missing",
    "updates_error_install",
    "updates_error_release_unreadable",
    "updates_error_release_mismatch",
    "updates_error_release_invalid",
    "updates_error_managed_elsewhere",
    "updates_error_install_running",
    "updates_error_not_newer",
    "updates_error_manifest",
    "hud_overview_cannot_quit",
    "hud_overview_quitting",
    "hud_overview_quit_ungrouped",
    "hud_overview_quit_background",
    "hud_overview_nothing_grouped",
    "overview_memory_mb",
    "overview_memory_gb",
    "overview_title",
    "overview_subtitle",
    "overview_slots_label",
    "overview_auto",
    "overview_cancel",
    "overview_start",
    "overview_pool_title",
    "overview_pool_hint",
    "overview_quit_ungrouped",
    "overview_quit_ungrouped_armed",
    "overview_quit_ungrouped_help",
    "overview_groups_title",
    "overview_add_group",
    "overview_background_title",
    "overview_background_sub",
    "overview_quit_all",
    "overview_quit_app_help",
    "overview_hide_help",
    "overview_quit_help",
    "overview_close_help",
    "overview_minimized",
    "overview_group_title",
    "overview_group_slots",
    "overview_remove_group_help",
    "overview_take_out_help",
    "overview_new_group_drop",
    // The corner button's tooltip and its palette.
    "corner_button_tooltip",
    "palette_auto",
    "palette_center",
    "palette_clipboard",
    "palette_columns2",
    "palette_columns3",
    "palette_grid2x2",
    "palette_group_next",
    "palette_group_prev",
    "palette_hint",
    "palette_left",
    "palette_mark_target",
    "palette_maximize",
    "palette_move_to_next_group",
    "palette_next_screen",
    "palette_overview",
    "palette_right",
    "palette_row_bridge",
    "palette_row_groups",
    "palette_row_layouts",
    "palette_row_window",
    "palette_send",
    "palette_shelf",
};

// Keys looked up with L10n::plural: the table holds "<key>_one" and "<key>_other".
const char* const kPlurals[] = {"hud_tiled", "hud_shelf_files_copied"};

QStringList pluralForms(const char* key) {
    return {QString::fromLatin1(key) + "_one", QString::fromLatin1(key) + "_other"};
}

// The arguments each format key's callers pass, in order: '@' text, 'd' integer.
const std::map<QString, QString> kFormatArguments{
    {"action_ws_restore", "d"},             // slot number
    {"action_ws_save", "d"},                // slot number
    {"bridge_no_target_hint", "@"},         // shortcut of "bridge.mark", or "Dashboard"
    {"clip_age_days", "d"},                 // days since the copy
    {"clip_age_hours", "d"},                // hours since the copy
    {"clip_age_minutes", "d"},              // minutes since the copy
    {"clip_history_count", "d"},            // entries in the clipboard history
    {"clip_panel_characters", "d"},         // characters of a copied text
    {"clip_panel_selected", "d"},           // selected items
    {"clip_preview_files", "d@"},           // files copied, the first four names
    {"clip_shelf_count", "d"},              // items on the shelf
    {"groups_current_of", "dd"},            // current group number, number of groups
    {"groups_per_group_badge", "d"},        // automatic group size
    {"groups_screen_info", "@"},            // screen description, e.g. "2560×1440 (16:9)"
    {"hud_broadcast_empty", "@"},           // shortcut of "bridge.group"
    {"hud_diag_error", "@"},                // why the diagnostics file could not be written
    {"hud_file_error", "@"},                // why the text file could not be written
    {"hud_group_added", "d@"},              // members now, window label
    {"hud_group_moved", "@ddd"},            // application, group number, groups, its windows
    {"hud_group_removed", "d"},             // members now
    {"hud_group_shown", "dd@"},             // group number, groups, application names
    {"hud_groups_formed", "ddd"},           // windows, groups, windows per group
    {"hud_login_error", "@"},               // the error's description
    {"hud_mark_target_first", "@"},         // shortcut of "bridge.mark"
    {"hud_not_available", "@"},             // the command's title
    {"hud_relay_sent_many", "d"},           // windows sent to
    {"hud_relay_sent_one", "@"},            // the window's label
    {"hud_ready", "@@"},                    // shortcuts of "layout.auto" and "bridge.mark"
    {"hud_shelf_files_copied_one", "d"},    // files copied
    {"hud_shelf_files_copied_other", "d"},  // the same
    {"hud_tiled_one", "@d"},                // the layout's title, windows tiled
    {"hud_tiled_other", "@d"},              // the same
    {"hud_ws_empty", "d"},                  // slot number
    {"hud_ws_opening_apps", "d"},           // slot number
    {"hud_ws_restored", "dd"},              // slot number, windows placed
    {"hud_ws_save_failed", "d"},            // slot number
    {"hud_ws_saved", "dd"},                 // slot number, windows saved
    {"hud_ws_too_large", "dd"},             // slot number, most windows a slot holds
    {"hud_ws_too_many_to_save", "dd"},      // the same
    {"menu_bridge_broadcast_count", "d"},   // destinations in the group
    {"menu_bridge_target", "@@"},           // the "bridge_target_prefix" text, target's label
    {"shortcuts_active_count", "d"},        // active shortcuts
    {"shortcuts_assigned_msg", "@@"},       // combination, the action's title
    {"shortcuts_reassigned_msg", "@@"},     // combination, the displaced action's title
    {"updates_available", "@d"},            // version, build
    {"updates_available_managed_elsewhere", "@d"},  // the same
    {"ws_slot_label", "d"},                         // slot number
    {"ws_summary_filled", "d@"},                    // saved windows, application names
    {"hud_overview_cannot_quit", "@"},              // the application's name
    {"hud_overview_quitting", "@"},                 // the application's name
    {"hud_overview_quit_ungrouped", "d"},           // applications asked to quit
    {"hud_overview_quit_background", "d"},          // applications asked to quit
    {"overview_memory_gb", "@"},                    // GiB with one decimal
    {"overview_memory_mb", "@"},                    // whole MiB
    {"overview_subtitle", "@@"},         // screen description, memory of all applications
    {"overview_pool_title", "d"},        // windows in no group
    {"overview_groups_title", "d"},      // groups holding a window
    {"overview_background_title", "d"},  // applications without windows
    {"overview_quit_app_help", "@"},     // the application's name
    {"overview_hide_help", "@"},         // the application's name
    {"overview_quit_help", "@"},         // the application's name
    {"overview_group_title", "d"},       // group number
    {"overview_group_slots", "d"},       // the group's slots
};

const StringsTable& shipped() {
    static const StringsTable table = *loadStringsTable(":/quenda/strings.json");
    return table;
}

// The argument kinds a text's placeholders use, by argument position ('@' or 'd'), read with
// a parser of its own so the formatter is not checked against itself. Sets `stray` when a
// '%' starts no placeholder.
QString argumentsUsed(const QString& text, bool& stray) {
    static const QRegularExpression placeholder(
        R"(%%|%(?:([1-9][0-9]*)\$)?(?:ll|l|q)?([@sdiu])|%)");
    std::map<int, QChar> kinds;
    int next = 1;
    stray = false;
    for (const auto& m : placeholder.globalMatch(text)) {
        if (m.captured(0) == "%%") continue;
        if (m.captured(2).isEmpty()) {
            stray = true;
            continue;
        }
        const int position = m.captured(1).isEmpty() ? next++ : m.captured(1).toInt();
        const QChar conversion = m.captured(2).front();
        const QChar kind = conversion == u'@' || conversion == u's' ? u'@' : u'd';
        if (kinds.count(position) && kinds[position] != kind) stray = true;
        kinds[position] = kind;
    }
    QString used;
    for (int p = 1; p <= (kinds.empty() ? 0 : kinds.rbegin()->first); ++p)
        used += kinds.count(p) ? kinds[p] : QChar(u'?');  // '?': a position left out
    return used;
}

TEST(StringsTable, HasATextForEveryKey) {
    ASSERT_FALSE(shipped().isEmpty());
    QStringList keys;
    for (const char* key : kKeys) keys << key;
    for (const char* key : kAlsoUsed) keys << key;
    for (const char* key : kPlurals) keys << pluralForms(key);
    for (const QString& key : keys) {
        const QString text = shipped().value(key, L10n::kMissing);
        EXPECT_NE(text, L10n::kMissing) << "missing: " << key.toStdString();
        EXPECT_FALSE(text.trimmed().isEmpty()) << "empty: " << key.toStdString();
        EXPECT_NE(text, key) << "untranslated: " << key.toStdString();
    }
    for (const auto& guide : GuidesCatalog::all()) {
        EXPECT_TRUE(shipped().contains(guide.titleKey)) << guide.titleKey.toStdString();
        EXPECT_TRUE(shipped().contains(guide.bodyKey)) << guide.bodyKey.toStdString();
    }
}

TEST(StringsTable, HoldsNoKeyTheProgramDoesNotUse) {
    QSet<QString> known;
    for (const char* key : kKeys) known.insert(key);
    for (const char* key : kAlsoUsed) known.insert(key);
    for (const char* key : kPlurals) {
        for (const QString& form : pluralForms(key)) known.insert(form);
    }
    for (auto it = shipped().begin(); it != shipped().end(); ++it)
        EXPECT_TRUE(known.contains(it.key()))
            << "unknown key (a typo?): " << it.key().toStdString();
}

TEST(StringsTable, EveryFormatTakesExactlyTheArgumentsItsCallersPass) {
    for (auto it = shipped().begin(); it != shipped().end(); ++it) {
        bool stray = false;
        const auto expected = kFormatArguments.find(it.key());
        const QString wanted = expected == kFormatArguments.end() ? QString() : expected->second;
        EXPECT_EQ(argumentsUsed(it.value(), stray), wanted) << it.key().toStdString();
        EXPECT_FALSE(stray) << "a '%' that is no placeholder: " << it.key().toStdString();
    }
    for (const auto& [key, kinds] : kFormatArguments)
        EXPECT_TRUE(shipped().contains(key)) << key.toStdString();
}

TEST(StringsTable, EveryFormatShowsAllItsArguments) {
    const L10n l10n({shipped()});
    for (const auto& [key, kinds] : kFormatArguments) {
        QVariantList args;
        QStringList shown;
        for (qsizetype i = 0; i < kinds.size(); ++i) {
            if (kinds[i] == u'@') {
                args << QStringLiteral("‹texto%1›").arg(i + 1);
            } else {
                args << int(40 + i);
            }
            shown << args.back().toString();
        }
        const QString text = l10n.format(key, args);
        for (const QString& s : shown)
            EXPECT_TRUE(text.contains(s)) << key.toStdString() << ": " << text.toStdString();
        EXPECT_FALSE(text.contains(u'%')) << key.toStdString() << ": " << text.toStdString();
    }
}

}  // namespace
}  // namespace quenda
