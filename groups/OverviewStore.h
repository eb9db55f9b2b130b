#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include <QString>
#include <QUuid>

#include "core/AX.h"
#include "core/L10n.h"
#include "core/Prefs.h"
#include "groups/Groups.h"
#include "platform/ports/Applications.h"
#include "platform/ports/Hud.h"
#include "platform/ports/ProcessMemory.h"
#include "platform/ports/Screens.h"
#include "platform/ports/Thumbnails.h"

namespace quenda {

// "512 MB", "1.5 GB": a memory figure in MiB as the organiser shows it; empty without one.
QString formatMemory(const L10n& l10n, std::optional<double> mb);

// One window in the organiser, fixed once made.
struct OverviewItem {
    QUuid id = QUuid::createUuid();
    AXWindow window;
    std::optional<uint64_t> wid;  // the window's number, keying its pictures
    QString appName;              // "App" when the application is not known
    QString title;                // the window's title, else the application's name
    bool minimized = false;

    int32_t pid() const { return window.pid(); }
};
using OverviewItemPtr = std::shared_ptr<const OverviewItem>;

// An application that runs without a window the user can see.
struct BackgroundApp {
    int32_t pid = 0;
    QString name;
    std::optional<double> memoryMB;
};

// The model behind the overview organiser: a snapshot of every window arranged into the
// current groups and an ungrouped pool, the applications that run without windows, and the
// windows' pictures as they arrive. The user's arrangement goes back to the groups only on
// `apply`; quitting, hiding and closing act at once.
class OverviewStore {
  public:
    struct Services {
        AX& ax;
        Groups& groups;
        Applications& apps;
        Prefs& prefs;
        Hud& hud;
        const L10n& l10n;
        WindowThumbnails& thumbnails;
        ProcessMemory& memory;
    };
    struct Group {
        QUuid id = QUuid::createUuid();
        int slotCount = 0;
        std::vector<OverviewItemPtr> items;
    };

    static constexpr int kMinSlots = 1;
    static constexpr int kMaxSlots = 6;
    static constexpr int kMinSlotsDefault = 2;
    // An application whose window of the window list is at least this large has a window.
    static constexpr double kQualifyingWidth = 200;
    static constexpr double kQualifyingHeight = 150;

    OverviewStore(Services services, const ScreenInfo& screen);
    OverviewStore(const OverviewStore&) = delete;
    OverviewStore& operator=(const OverviewStore&) = delete;

    // Called after every change of the arrangement, the background applications or the
    // default slot count.
    void observe(std::function<void()> observer) { observers_.push_back(std::move(observer)); }
    // Called when the memory figures arrive; the background applications are sorted by them
    // then, their membership unchanged.
    void observeMemory(std::function<void()> observer) {
        memoryObservers_.push_back(std::move(observer));
    }
    // Called as each window's picture arrives, with its window number.
    void observePictures(std::function<void(uint64_t)> observer) {
        pictureObservers_.push_back(std::move(observer));
    }

    // Takes the snapshot and starts capturing pictures and reading memory.
    void load();

    const std::vector<OverviewItemPtr>& pool() const { return pool_; }
    const std::vector<Group>& groups() const { return groups_; }
    const std::vector<BackgroundApp>& backgroundApps() const { return background_; }
    const std::map<int32_t, double>& memory() const { return memory_; }
    int slotsDefault() const { return slotsDefault_; }
    void setSlotsDefault(int slotCount);
    double screenAspect() const { return screenAspect_; }
    const QString& screenLabel() const { return screenLabel_; }
    // Whether every picture asked for has come (or failed).
    bool picturesDone() const { return picturesDone_; }

    // The item's picture of its contents, or nothing.
    const Picture* thumb(const OverviewItem& item) const;
    // The icon the item's window names, or nothing.
    const Picture* icon(const OverviewItem& item) const;
    QString memoryText(const OverviewItem& item) const;
    QString totalMemoryText() const;
    // Groups holding at least one window.
    int filledGroupCount() const;
    OverviewItemPtr find(const QUuid& id) const;

    // Removes the item from wherever it is and returns it.
    OverviewItemPtr take(const QUuid& id);
    void moveToGroup(const QUuid& itemId, const QUuid& groupId);
    void moveToPool(const QUuid& itemId);
    void moveToNewGroup(const QUuid& itemId);
    void addGroup();
    void removeGroup(const QUuid& groupId);
    void setSlots(const QUuid& groupId, int slotCount);
    void autoGroup();
    void closeWindow(const QUuid& itemId);
    void quitApp(int32_t pid);
    void hideApp(int32_t pid);
    void quitAllUngrouped();
    void quitAllBackground();
    // Hands the groups to `Groups`; false (and a message) when no group holds a window.
    bool apply();

    // The item id a drop carries: the text of a dragged card or slot. Nothing for any other
    // text (an empty slot's payload, text from another application, an id of no item here).
    std::optional<QUuid> dropped(const QString& payload) const;

  private:
    void publish() const;
    void removeItemsOf(int32_t pid);
    OverviewItemPtr detach(const QUuid& id);
    bool neverQuit(int32_t pid) const;
    void say(const QString& message) const { s_.hud.show(message, kMessageDuration); }
    void takePicture(WindowPicture picture);
    void takeMemory(std::map<int32_t, double> figures);
    void sortBackground();

    Services s_;
    std::vector<OverviewItemPtr> pool_;
    std::vector<Group> groups_;
    std::vector<BackgroundApp> background_;
    std::map<uint64_t, Picture> thumbs_;
    std::map<uint64_t, Picture> icons_;
    std::map<int32_t, double> memory_;
    std::map<int32_t, QString> names_;  // every running application's name, from the snapshot
    std::vector<int32_t> essential_;
    int slotsDefault_ = kMinSlotsDefault;
    double screenAspect_ = 1;
    QString screenLabel_;
    bool picturesDone_ = false;
    std::unique_ptr<ThumbnailCapture> capture_;
    std::vector<std::function<void()>> observers_;
    std::vector<std::function<void()>> memoryObservers_;
    std::vector<std::function<void(uint64_t)>> pictureObservers_;
    std::shared_ptr<char> alive_ = std::make_shared<char>();
};

}  // namespace quenda
