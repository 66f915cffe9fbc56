// The interface manager: owns the top-level windows of the current interface screen, the
// cursor images read from "cursor.dat" and the fonts table read from "fonts.dat". Routes
// pointer moves, presses and releases to the window under the pointer and draws the
// windows and then the cursor. Everything but the main loop reaches it through events.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/YEvents.h"

class CYComplexObject;
class CYRenderer;
class CYWindow;
class CYFont;

// One row of the fonts table; row i is font index i.
struct YFontRow {
    std::string textureName;
    std::string effectName;
    std::string fileName;
    int32_t spacing = 0;
    int32_t scale = 0;
};

class CYInterfaceManager : public CYEventListener {
public:
    // The renderer is not used; windows reach it through events.
    explicit CYInterfaceManager(CYRenderer* renderer);
    // DestroyAll, then the subscriptions are cancelled.
    ~CYInterfaceManager() override;

    // Drops any interface, then subscribes the handlers. 0.
    int32_t Init();
    // Per frame: every window's UpdateWindow, then the cursor follows the pointer.
    void Update();
    // Per frame after Update: every window's geometry, then the cursor's.
    void Render();
    // Drops fonts, cursors, windows and interface objects.
    void DestroyAll();

    // Event 20: replaces the interface by the named one (fonts, cursors, then the windows of
    // its description file, each started). Asked from inside a window call, the new windows
    // exist at once and the old ones go when the call has returned.
    void LoadInterfaceTables(const std::string& name);
    // Event 59: the first top-level window's FindChild result; *out untouched with no windows.
    void FindWindowByName(const std::string& name, CYWindow** out);
    // Event 24: stores the position and searches the window under it (not in mode "hidden").
    void OnMouseMove(int32_t x, int32_t y);
    // Event 25: to the hovered window when it is active and the mode is not "hidden".
    void OnMouseDown(int32_t button);
    // Event 26: to the hovered window when it is active, whatever the mode.
    void OnMouseUp(int32_t button);
    // Event 39: the mode; "hidden" hides the cursor, a name of the table shows that cursor.
    void OnSetCursorType(const std::string& name);
    // Event 48: a new loaded font of the row, owned by the caller; null for -1, a missing
    // row or a font that does not load.
    CYFont* CreateFontByIndex(int32_t index);
    // Event 49: takes the pointer position from event 28 and sends it as event 24.
    void RefreshMouse();
    // Event 60: the window becomes the topmost and is owned from then on. A window already
    // held (by the manager or by a parent) is refused, and an owned one can be nobody's child.
    void AddWindow(CYWindow* window);
    // Event 61: every window and cursor recomputes its scale.
    void OnDisplayModeChanged();
    // Event 62: the complex object is owned (deleted with the interface), neither updated
    // nor drawn; one already owned is not taken twice.
    void AddInterfaceObject(CYComplexObject* object);

    int32_t GetMouseX() const { return mouseX_; }
    int32_t GetMouseY() const { return mouseY_; }
    const std::string& GetMode() const { return mode_; }
    // The hovered window; null when none or when it was deleted meanwhile.
    CYWindow* GetHovered() const;
    CYWindow* GetCurrentCursor() const { return currentCursor_; }
    CYWindow* GetCursor(const std::string& name) const;
    size_t GetWindowCount() const { return windows_.size(); }
    size_t GetObjectCount() const { return objects_.size(); }
    const std::vector<YFontRow>& GetFonts() const { return fonts_; }

private:
    // An owned window with the reference it had when added: a window deleted elsewhere
    // (its reference no longer resolves) is dropped, never touched again.
    struct Owned {
        CYWindow* window;
        void* reference;
    };
    void PruneDeadWindows();
    void LoadFonts();
    void LoadCursors();
    // Drops the interface: at once when no window call runs, else the windows, cursors and
    // objects are hidden and kept until that call has returned.
    void DropInterface();
    void DeleteRetired();
    // The end of a window call; the last one deletes what was dropped meanwhile.
    void FinishCall();
    // Each top-level window of a screen: shown, active, its handler named "interface" with
    // its trigger watches and its idle state started.
    void StartWindow(CYWindow& window);

    int32_t mouseX_ = 0;
    int32_t mouseY_ = 0;
    std::unordered_map<std::string, std::unique_ptr<CYWindow>> cursors_;
    CYWindow* currentCursor_ = nullptr;
    std::vector<Owned> windows_;
    void* hovered_ = nullptr;  // the hovered window's reference
    std::string mode_ = "normal";
    std::vector<std::unique_ptr<CYComplexObject>> objects_;
    std::vector<YFontRow> fonts_;
    // Window calls running now (updates, pointer routing). An interface replaced during one
    // is loaded at once; the old windows stay alive, hidden, until the calls have returned.
    int busy_ = 0;
    // Counts interface drops, so that a walk over the windows stops when they change.
    uint64_t generation_ = 0;
    std::vector<Owned> retiredWindows_;
    std::vector<std::unique_ptr<CYWindow>> retiredCursors_;
    std::vector<std::unique_ptr<CYComplexObject>> retiredObjects_;
    // A description file is being read: a request for another one meanwhile is refused.
    bool loading_ = false;
};
