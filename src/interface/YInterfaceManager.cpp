#include "interface/YInterfaceManager.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

#include "core/YCommandManager.h"
#include "core/YFile.h"
#include "core/YLog.h"
#include "core/YNumbers.h"
#include "core/YTextParser.h"
#include "core/YTokenizer.h"
#include "core/YTriggerRegistry.h"
#include "core/YUtils.h"
#include "interface/YInterfaceLoader.h"
#include "interface/YWindow.h"
#include "render/YComplexObject.h"
#include "render/YFont.h"

namespace {

const char* const kInterfaceDir = "data\\interface";

// The tokens of a table line split at single blanks.
std::vector<std::string> Tokenize(const std::string& text) {
    std::vector<std::string> tokens;
    CYTokenizer tokenizer(text, " ", false);
    std::string token;
    while (tokenizer.NextToken(token)) tokens.push_back(token);
    return tokens;
}

template <class T>
T* Arg(intptr_t v) {
    return reinterpret_cast<T*>(v);
}

std::string TextArg(intptr_t v) {
    const char* s = reinterpret_cast<const char*>(v);
    return s ? std::string(s) : std::string();
}

}  // namespace

CYInterfaceManager::CYInterfaceManager(CYRenderer*) : cursors_(100) {}

CYInterfaceManager::~CYInterfaceManager() {
    UnsubscribeAll();
    busy_ = 0;
    DropInterface();
    DeleteRetired();
}

int32_t CYInterfaceManager::Init() {
    DestroyAll();
    SubscribeOnce(YEVENT_INIT_INTERFACE, this, [](void* c, intptr_t a, intptr_t) {
        static_cast<CYInterfaceManager*>(c)->LoadInterfaceTables(TextArg(a));
    });
    SubscribeOnce(YEVENT_FIND_WINDOW, this, [](void* c, intptr_t a, intptr_t b) {
        if (a) static_cast<CYInterfaceManager*>(c)->FindWindowByName(TextArg(a), Arg<CYWindow*>(b));
    });
    SubscribeOnce(YEVENT_MOUSE_MOVE, this, [](void* c, intptr_t a, intptr_t b) {
        static_cast<CYInterfaceManager*>(c)->OnMouseMove(int32_t(a), int32_t(b));
    });
    SubscribeOnce(YEVENT_MOUSE_DOWN, this,
                  [](void* c, intptr_t a, intptr_t) { static_cast<CYInterfaceManager*>(c)->OnMouseDown(int32_t(a)); });
    SubscribeOnce(YEVENT_MOUSE_UP, this,
                  [](void* c, intptr_t a, intptr_t) { static_cast<CYInterfaceManager*>(c)->OnMouseUp(int32_t(a)); });
    SubscribeOnce(YEVENT_SET_CURSOR_TYPE, this, [](void* c, intptr_t a, intptr_t) {
        if (a) static_cast<CYInterfaceManager*>(c)->OnSetCursorType(TextArg(a));
    });
    SubscribeOnce(YEVENT_GET_FONT, this, [](void* c, intptr_t a, intptr_t b) {
        if (b) *Arg<CYFont*>(b) = static_cast<CYInterfaceManager*>(c)->CreateFontByIndex(int32_t(a));
    });
    SubscribeOnce(YEVENT_REFRESH_MOUSE, this,
                  [](void* c, intptr_t, intptr_t) { static_cast<CYInterfaceManager*>(c)->RefreshMouse(); });
    SubscribeOnce(YEVENT_NEW_WINDOW, this,
                  [](void* c, intptr_t a, intptr_t) { static_cast<CYInterfaceManager*>(c)->AddWindow(Arg<CYWindow>(a)); });
    SubscribeOnce(YEVENT_DISPLAY_MODE_CHANGED, this,
                  [](void* c, intptr_t, intptr_t) { static_cast<CYInterfaceManager*>(c)->OnDisplayModeChanged(); });
    SubscribeOnce(YEVENT_CREATE_INTERFACE_OBJECT, this, [](void* c, intptr_t a, intptr_t) {
        static_cast<CYInterfaceManager*>(c)->AddInterfaceObject(Arg<CYComplexObject>(a));
    });
    return 0;
}

CYWindow* CYInterfaceManager::GetHovered() const { return CYWindow::FromReference(hovered_); }

CYWindow* CYInterfaceManager::GetCursor(const std::string& name) const {
    auto it = cursors_.find(name);
    return it == cursors_.end() ? nullptr : it->second.get();
}

void CYInterfaceManager::PruneDeadWindows() {
    windows_.erase(std::remove_if(windows_.begin(), windows_.end(),
                                  [](const Owned& o) { return CYWindow::FromReference(o.reference) != o.window; }),
                   windows_.end());
}

void CYInterfaceManager::FinishCall() {
    if (--busy_ > 0) return;
    busy_ = 0;
    DeleteRetired();
}

void CYInterfaceManager::DestroyAll() { DropInterface(); }

void CYInterfaceManager::DropInterface() {
    ++generation_;
    fonts_.clear();
    currentCursor_ = nullptr;
    hovered_ = nullptr;
    PruneDeadWindows();
    std::vector<Owned> windows;
    windows.swap(windows_);
    // A window's own script may have asked for this while the window runs: it then goes
    // as soon as that call returns, never under its feet. Hidden meanwhile, it neither
    // runs its children's scripts nor draws.
    for (const Owned& o : windows) {
        if (CYWindow::FromReference(o.reference) != o.window) continue;
        o.window->SetVisible(false);
        retiredWindows_.push_back(o);
    }
    for (auto& entry : cursors_) retiredCursors_.push_back(std::move(entry.second));
    cursors_.clear();
    // A window hidden above may have asked for a cursor of the old table.
    currentCursor_ = nullptr;
    for (auto& object : objects_) retiredObjects_.push_back(std::move(object));
    objects_.clear();
    if (busy_ == 0) DeleteRetired();
}

void CYInterfaceManager::DeleteRetired() {
    // Swapped out first: a destructor may reach the manager again.
    std::vector<Owned> windows;
    windows.swap(retiredWindows_);
    for (const Owned& o : windows)
        if (CYWindow::FromReference(o.reference) == o.window) delete o.window;
    std::vector<std::unique_ptr<CYWindow>> cursors;
    cursors.swap(retiredCursors_);
    cursors.clear();
    std::vector<std::unique_ptr<CYComplexObject>> objects;
    objects.swap(retiredObjects_);
    objects.clear();
}

void CYInterfaceManager::LoadInterfaceTables(const std::string& name) {
    if (loading_) {
        Log(3, "Interface %s: asked for while another interface loads, refused\n", name.c_str());
        return;
    }
    loading_ = true;
    DestroyAll();
    LoadFonts();
    LoadCursors();
    for (auto& entry : cursors_) {
        entry.second->SetLayer(9);
        entry.second->Load();
    }
    if (CYWindow* cursor = GetCursor(mode_)) currentCursor_ = cursor;
    if (currentCursor_) currentCursor_->SetVisible(true);
    for (std::unique_ptr<CYWindow>& window : ParseInterfaceFile(name)) AddWindow(window.release());
    PruneDeadWindows();
    const std::vector<Owned> windows = windows_;
    for (const Owned& o : windows)
        if (CYWindow::FromReference(o.reference) == o.window) StartWindow(*o.window);
    loading_ = false;
}

void CYInterfaceManager::StartWindow(CYWindow& window) {
    window.SetActive(true);
    window.SetVisible(true);
    CYScriptHandler& handler = window.Script();
    handler.SetName("interface");
    CYTriggerRegistry::RegisterWatchers(&handler);
    if (g_commandManager) g_commandManager->Register(&handler);
    handler.SwitchToIdle();
}

void CYInterfaceManager::LoadFonts() {
    CYFile file(std::string(kInterfaceDir) + "\\fonts\\fonts.dat");
    if (FAILED(file.Load())) return;
    CYTextParser parser(file.GetData(), file.GetSize());
    std::string line;
    while (parser.GetLine(line)) {
        std::vector<std::string> words = Tokenize(line);
        // A short row keeps its place, so later rows keep their indices; its font will
        // not load.
        if (words.size() < 5)
            Log(3, "Error in fonts table - %s on line %d\n", words.empty() ? "" : words[0].c_str(),
                parser.GetLineNumber());
        words.resize(std::max<size_t>(words.size(), 5));
        fonts_.push_back(YFontRow{words[0], words[1], words[2], TextToInt(words[3], YNumberMode::Leading),
                                  TextToInt(words[4], YNumberMode::Leading)});
    }
}

void CYInterfaceManager::LoadCursors() {
    const std::string path = std::string(kInterfaceDir) + "\\cursor.dat";
    CYFile file(path);
    if (FAILED(file.Load())) {
        Log(3, "Can't load cursor table - %s\n", path.c_str());
        return;
    }
    CYTextParser parser(file.GetData(), file.GetSize());
    std::string line;
    while (parser.GetLine(line)) {
        std::vector<std::string> words = Tokenize(line);
        if (words.size() < 5) {
            std::string name = words.empty() ? std::string() : words[0];
            ToLower(name);
            Log(3, "Error in cursor table - %s on line %d\n", name.c_str(), parser.GetLineNumber());
            continue;
        }
        for (int i = 0; i < 3; ++i) ToLower(words[i]);
        const int32_t w = TextToInt(words[3], YNumberMode::Leading), h = TextToInt(words[4], YNumberMode::Leading);
        // A repeated name replaces (and frees) the earlier cursor.
        cursors_[words[0]] = std::make_unique<CYWindow>(words[0], words[1], words[2], "", w, h, w, h, 0, 0, 0.0f, 0.0f);
    }
}

void CYInterfaceManager::FindWindowByName(const std::string& name, CYWindow** out) {
    if (!out) return;
    PruneDeadWindows();
    for (const Owned& o : windows_) {
        *out = o.window->FindChild(name);
        if (*out) return;
    }
}

void CYInterfaceManager::OnMouseMove(int32_t x, int32_t y) {
    if (mode_ == "hidden") return;
    mouseX_ = x;
    mouseY_ = y;
    ++busy_;
    PruneDeadWindows();
    CYWindow* found = nullptr;
    // A copy: a hover hook may add windows.
    const uint64_t generation = generation_;
    std::vector<Owned> windows = windows_;
    for (auto it = windows.rbegin(); it != windows.rend() && generation_ == generation; ++it) {
        if (CYWindow::FromReference(it->reference) != it->window || !it->window->IsActive()) continue;
        it->window->OnMouseMove(x, y, &found);
        if (found) break;
    }
    // The found window may have gone in a hook, or belong to an interface replaced
    // meanwhile; only a live window of the current one is kept.
    void* foundRef = found && generation_ == generation ? found->Reference() : nullptr;
    if (found && CYWindow::FromReference(foundRef) != found) foundRef = nullptr;
    CYWindow* old = GetHovered();
    if (old && old != CYWindow::FromReference(foundRef)) old->OnMouseLeave(-1000, -1000);
    hovered_ = CYWindow::FromReference(foundRef) ? foundRef : nullptr;
    FinishCall();
}

void CYInterfaceManager::OnMouseDown(int32_t button) {
    CYWindow* hovered = GetHovered();
    if (mode_ == "hidden" || !hovered || !hovered->IsActive()) return;
    ++busy_;
    hovered->OnMouseButtonDown(button);
    FinishCall();
}

void CYInterfaceManager::OnMouseUp(int32_t button) {
    CYWindow* hovered = GetHovered();
    if (!hovered || !hovered->IsActive()) return;
    ++busy_;
    hovered->OnMouseButtonUp(button);
    FinishCall();
}

void CYInterfaceManager::OnSetCursorType(const std::string& name) {
    mode_ = name;
    if (name == "hidden") {
        currentCursor_ = nullptr;
        return;
    }
    if (CYWindow* cursor = GetCursor(name)) {
        currentCursor_ = cursor;
        cursor->SetVisible(true);
    }
}

void CYInterfaceManager::Update() {
    ++busy_;
    PruneDeadWindows();
    const uint64_t generation = generation_;
    std::vector<Owned> windows = windows_;
    for (const Owned& o : windows) {
        // A script replaced the interface: the windows of the new one start next frame.
        if (generation_ != generation) break;
        if (CYWindow::FromReference(o.reference) == o.window) o.window->UpdateWindow();
    }
    if (currentCursor_) {
        currentCursor_->SetPosition(float(mouseX_), float(mouseY_));
        currentCursor_->UpdateWindow();
    }
    FinishCall();
}

void CYInterfaceManager::Render() {
    ++busy_;
    PruneDeadWindows();
    std::vector<Owned> windows = windows_;
    for (const Owned& o : windows)
        if (CYWindow::FromReference(o.reference) == o.window) o.window->Update();
    if (currentCursor_) currentCursor_->Update();
    FinishCall();
}

void CYInterfaceManager::OnDisplayModeChanged() {
    PruneDeadWindows();
    for (const Owned& o : windows_) o.window->Rescale();
    for (auto& entry : cursors_) entry.second->Rescale();
}

CYFont* CYInterfaceManager::CreateFontByIndex(int32_t index) {
    if (index < 0 || size_t(index) >= fonts_.size()) return nullptr;
    const YFontRow& row = fonts_[size_t(index)];
    auto font = std::make_unique<CYFont>(row.textureName, row.effectName, row.fileName, float(row.spacing),
                                         float(row.scale));
    if (FAILED(font->Load())) return nullptr;
    return font.release();
}

void CYInterfaceManager::RefreshMouse() {
    int32_t x = mouseX_, y = mouseY_;
    SendEvent(YEVENT_GET_CURSOR_POS, reinterpret_cast<intptr_t>(&x), reinterpret_cast<intptr_t>(&y));
    SendEvent(YEVENT_MOUSE_MOVE, x, y);
}

void CYInterfaceManager::AddWindow(CYWindow* window) {
    if (!window) return;
    PruneDeadWindows();
    // A child belongs to its parent, and a window added twice would be deleted twice.
    const bool owned = std::any_of(windows_.begin(), windows_.end(), [&](const Owned& o) { return o.window == window; });
    if (owned || window->GetParentWindow() || window->IsHeld()) {
        Log(3, "Interface: window %s refused, it already has an owner\n", window->GetName().c_str());
        return;
    }
    // Held from now on, so no window takes it as a child: it would be deleted twice.
    window->SetHeld(true);
    windows_.push_back(Owned{window, window->Reference()});
}

void CYInterfaceManager::AddInterfaceObject(CYComplexObject* object) {
    if (!object) return;
    for (const auto& o : objects_)
        if (o.get() == object) return;
    objects_.emplace_back(object);
}
