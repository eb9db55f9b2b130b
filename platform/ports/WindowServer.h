#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <variant>
#include <vector>

#include <QString>

#include "core/Geometry.h"

namespace quenda {

// A handle on something of another application that attributes are read from: the
// application itself (by pid), one of its windows, or a window's close button. Two elements
// are equal when they denote the same thing; a handle may outlive what it denotes.
struct Element {
    enum class Kind : uint8_t { Application, Window, CloseButton };
    Kind kind = Kind::Window;
    int32_t pid = 0;
    uint64_t id = 0;  // the window's id for windows and close buttons; 0 for applications

    static Element application(int32_t pid) { return {Kind::Application, pid, 0}; }
    static Element window(int32_t pid, uint64_t id) { return {Kind::Window, pid, id}; }
    static Element closeButton(int32_t pid, uint64_t id) { return {Kind::CloseButton, pid, id}; }
    friend bool operator==(const Element&, const Element&) = default;
};

// The value of an attribute as read: the caller checks that it has the type it expects.
using AttributeValue =
    std::variant<bool, int64_t, double, QString, Point, Size, Element, std::vector<Element>>;

// Attribute and action names, spelled as the window layer has always spelled them.
namespace attr {
inline constexpr std::string_view Title = "AXTitle";
inline constexpr std::string_view Subrole = "AXSubrole";
inline constexpr std::string_view Minimized = "AXMinimized";
inline constexpr std::string_view Position = "AXPosition";
inline constexpr std::string_view Size = "AXSize";
inline constexpr std::string_view CloseButton = "AXCloseButton";
inline constexpr std::string_view Windows = "AXWindows";
inline constexpr std::string_view FocusedWindow = "AXFocusedWindow";
inline constexpr std::string_view EnhancedUserInterface = "AXEnhancedUserInterface";
inline constexpr std::string_view Main = "AXMain";
inline constexpr std::string_view Frontmost = "AXFrontmost";
inline constexpr std::string_view StandardWindow = "AXStandardWindow";  // a subrole value
}  // namespace attr

namespace action {
inline constexpr std::string_view Press = "AXPress";
inline constexpr std::string_view Raise = "AXRaise";
}  // namespace action

// One entry of the system window list. Every field the list may lack or mistype is optional,
// so the filters that read it can treat "absent" and "not a number" alike.
struct WindowListEntry {
    std::optional<int64_t> layer;     // 0 = normal windows
    std::optional<int32_t> ownerPid;  // the owning process
    std::optional<Rect> bounds;       // outer frame, window coordinates (top-left origin)
    std::optional<double> alpha;      // absent = opaque
    uint64_t number = 0;              // the window's id
};

// Reading and moving the windows of other applications.
class WindowServer {
  public:
    virtual ~WindowServer() = default;

    // The attribute's value, or nothing when it cannot be read (vanished window, no such
    // attribute, a failing application).
    virtual std::optional<AttributeValue> attribute(const Element& element,
                                                    std::string_view name) = 0;
    // Fire and forget: a write the target refuses or cannot take is silently lost.
    virtual void setAttribute(const Element& element, std::string_view name,
                              const AttributeValue& value) = 0;
    virtual void performAction(const Element& element, std::string_view action) = 0;
    // How long a call to this application may block before it counts as failed.
    virtual void setMessagingTimeout(const Element& element, double seconds) {}

    // On-screen windows without desktop elements, front to back; nothing when the list
    // cannot be had at all.
    virtual std::optional<std::vector<WindowListEntry>> windowList() = 0;

    // May this process read and move other applications' windows?
    virtual bool isTrusted() = 0;
    // The same question, asking the user to grant it where the desktop has such a prompt.
    virtual bool requestTrust() = 0;
    virtual void openTrustSettings() {}

    virtual std::optional<int32_t> frontmostPid() = 0;
    virtual int32_t ownPid() = 0;

    // Between begin and end, reads may be answered from one pass over the desktop taken at
    // the first read (the caller is reading a consistent picture, not watching for changes).
    // Any write or action ends the pass early. Calls nest.
    virtual void beginReadBatch() {}
    virtual void endReadBatch() {}
};

// Scope of one read batch.
class ReadBatch {
  public:
    explicit ReadBatch(WindowServer& server) : server_(server) { server_.beginReadBatch(); }
    ~ReadBatch() { server_.endReadBatch(); }
    ReadBatch(const ReadBatch&) = delete;
    ReadBatch& operator=(const ReadBatch&) = delete;

  private:
    WindowServer& server_;
};

}  // namespace quenda
