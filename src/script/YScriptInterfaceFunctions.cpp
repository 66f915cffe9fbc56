// Script functions for the interface screens and the settings the options screens offer:
// loading an interface, finding, showing, moving and filling windows and widgets, making
// windows and text boxes at run time, 3D objects on interface screens and picking with the
// mouse, display modes, brightness, texture filtering, mouse speed and key bindings.
// Widgets are reached through their references (a reference of another class reads as
// null, so a function given the wrong kind of window does nothing); the interface manager,
// the renderer, the camera, the key bindings and the game world through query events.
#include <lua.hpp>

#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "core/YActions.h"
#include "core/YEvents.h"
#include "core/YLog.h"
#include "core/YSettings.h"
#include "core/YTimer.h"
#include "interface/YButton.h"
#include "interface/YRadioGroup.h"
#include "interface/YSlider.h"
#include "interface/YTextBox.h"
#include "interface/YTextEdit.h"
#include "interface/YWindow.h"
#include "platform/math/Math.h"
#include "render/YCamera.h"
#include "render/YComplexObject.h"
#include "render/YFont.h"
#include "render/YMeshLoader.h"
#include "render/YObject.h"
#include "render/YRenderer.h"
#include "script/YScriptArgs.h"
#include "script/YScriptFunctions.h"
#include "script/YScriptObjects.h"
#include "script/YScriptResults.h"
#include "world/YGameWorld.h"

namespace {

// Where GetWindowPosition places a null window: off the 640 x 480 screen.
constexpr lua_Number kNoWindowPosition = 700;
// Lines a text box is taken to show when AddText scrolls it to its end.
constexpr int32_t kAddTextVisibleLines = 10;
// Mouse speeds below this are replaced by kDefaultMouseSpeed.
constexpr float kMinMouseSpeed = 0.01f;
constexpr float kDefaultMouseSpeed = 0.1f;

int PushNumbers(lua_State* L, std::initializer_list<lua_Number> values) {
    for (lua_Number v : values) lua_pushnumber(L, v);
    return static_cast<int>(values.size());
}

// A float result that scripts can do arithmetic with: non-finite values read as 0.
lua_Number Finite(float v) { return std::isfinite(v) ? v : 0.0; }

// Sends a text-carrying notification; the text lives until the subscribers return.
void SendTextEvent(int event, const std::string& text) {
    SendEvent(event, reinterpret_cast<intptr_t>(text.c_str()), 0);
}

// Hands a new window to the interface manager (event 60), which owns it from then on.
// Without a manager to take it the window is deleted and null is pushed.
int HandOverWindow(lua_State* L, std::unique_ptr<CYWindow> window) {
    if (EventRecordCount(YEVENT_NEW_WINDOW) == 0) {
        Log(3, "No interface to take the window %s\n", window->GetName().c_str());
        PushNull(L);
        return 1;
    }
    CYWindow* raw = window.release();
    SendEvent(YEVENT_NEW_WINDOW, reinterpret_cast<intptr_t>(raw), 0);
    PushReference(L, raw);
    return 1;
}

// The renderer's display modes; empty without a renderer.
const std::vector<YDisplayModeRecord>& DisplayModes() {
    static const std::vector<YDisplayModeRecord> none;
    CYRenderer* renderer = QuerySingleton<CYRenderer>(YEVENT_GET_RENDERER);
    return renderer ? renderer->GetDisplayModes() : none;
}

// The camera's view x projection, and whether there is a camera.
bool ViewProjection(math::Matrix* out, math::Vec3* eye) {
    CYCamera* camera = QuerySingleton<CYCamera>(YEVENT_GET_CAMERA);
    if (!camera) return false;
    *out = camera->GetView() * camera->GetProjection();
    if (eye) *eye = camera->GetEye();
    return math::IsFinite(*out);
}

}  // namespace

// ---- Interfaces and windows

// InitInterface(name): replaces the interface by the one of that description file.
int InitInterface(lua_State* L) {
    const std::string name = ArgTextLenient(L, 1);
    SendTextEvent(YEVENT_INIT_INTERFACE, name);
    return 0;
}

// GetWindow(name): the first window of that name, searched from the first top-level window.
int GetWindow(lua_State* L) {
    const std::string name = ArgTextLenient(L, 1);
    CYWindow* window = nullptr;
    SendEvent(YEVENT_FIND_WINDOW, reinterpret_cast<intptr_t>(name.c_str()), reinterpret_cast<intptr_t>(&window));
    PushReference(L, window);
    return 1;
}

int SetWindowVisible(lua_State* L) {
    CYWindow* window = ArgObject<CYWindow>(L, 1);
    const bool visible = ArgBool(L, 2);
    if (window) window->SetVisible(visible);
    return 0;
}

int SetWindowActive(lua_State* L) {
    CYWindow* window = ArgObject<CYWindow>(L, 1);
    const bool active = ArgBool(L, 2);
    if (window) window->SetActive(active);
    return 0;
}

// SetWindowPosition(window, x, y): at whole coordinates; the subtree moves along.
int SetWindowPosition(lua_State* L) {
    CYWindow* window = ArgObject<CYWindow>(L, 1);
    const int32_t x = ArgIntLenient(L, 2);
    const int32_t y = ArgIntLenient(L, 3);
    if (window) window->SetPosition(static_cast<float>(x), static_cast<float>(y));
    return 0;
}

// GetWindowPosition(window): x, y; 700, 700 for a null window.
int GetWindowPosition(lua_State* L) {
    CYWindow* window = ArgObject<CYWindow>(L, 1);
    if (!window) return PushNumbers(L, {kNoWindowPosition, kNoWindowPosition});
    return PushNumbers(L, {window->GetX(), window->GetY()});
}

int GetWindowDimensions(lua_State* L) {
    CYWindow* window = ArgObject<CYWindow>(L, 1);
    if (!window) return PushNumbers(L, {0, 0});
    return PushNumbers(L, {lua_Number(window->GetWidth()), lua_Number(window->GetHeight())});
}

int IsWindowActive(lua_State* L) {
    CYWindow* window = ArgObject<CYWindow>(L, 1);
    lua_pushboolean(L, window && window->IsActive());
    return 1;
}

// ---- Buttons, check boxes and radio groups

int IsButtonPressed(lua_State* L) {
    CYButton* button = ArgObject<CYButton>(L, 1);
    lua_pushboolean(L, button && button->GetState() == CYButton::kPressed);
    return 1;
}

// SetRadioGroupActiveButton(group, i): checks item i (from 0) with the group's notices; an
// index outside the items unchecks all.
int SetRadioGroupActiveButton(lua_State* L) {
    CYRadioGroup* group = ArgObject<CYRadioGroup>(L, 1);
    const int32_t index = ArgIntLenient(L, 2);
    if (group) group->Check(index);
    return 0;
}

// SetRadioGroupActiveButtonInactive(group, i, inactive): item i stops (or starts) taking
// the pointer; an index that names no item does nothing.
int SetRadioGroupActiveButtonInactive(lua_State* L) {
    CYRadioGroup* group = ArgObject<CYRadioGroup>(L, 1);
    const int32_t index = ArgIntLenient(L, 2);
    const bool inactive = ArgBool(L, 3);
    if (CYRadioButton* item = group ? group->GetItem(index) : nullptr) item->SetActive(!inactive);
    return 0;
}

// GetRadioGroupActiveButton(group): the checked item's index, -1 when none is checked.
int GetRadioGroupActiveButton(lua_State* L) {
    CYRadioGroup* group = ArgObject<CYRadioGroup>(L, 1);
    lua_pushnumber(L, group ? group->GetCheckedIndex() : 0);
    return 1;
}

// SetCheckBox(box, on): the state with its notices, also when it does not change.
int SetCheckBox(lua_State* L) {
    CYCheckBox* box = ArgObject<CYCheckBox>(L, 1);
    const bool checked = ArgBool(L, 2);
    if (box) box->SetChecked(checked);
    return 0;
}

int GetCheckBox(lua_State* L) {
    CYCheckBox* box = ArgObject<CYCheckBox>(L, 1);
    lua_pushboolean(L, box && box->IsChecked());
    return 1;
}

// ---- Sliders, text boxes and text edits

// SetSliderPos(slider, p): clamped to 0..1 by the slider, which moves its thumb.
int SetSliderPos(lua_State* L) {
    CYSlider* slider = ArgObject<CYSlider>(L, 1);
    const float position = ArgFloatLenient(L, 2);
    if (slider) slider->SetPosition(position);
    return 0;
}

int GetSliderPos(lua_State* L) {
    CYSlider* slider = ArgObject<CYSlider>(L, 1);
    lua_pushnumber(L, slider ? Finite(slider->GetSliderPosition()) : 0.0);
    return 1;
}

int SetText(lua_State* L) {
    CYTextBox* box = ArgObject<CYTextBox>(L, 1);
    const std::string text = ArgTextLenient(L, 2);
    if (box) box->SetText(text);
    return 0;
}

// AddText(box, text): appends a paragraph and scrolls to the end, taking the box to show
// ten lines; its scroll bar follows.
int AddText(lua_State* L) {
    CYTextBox* box = ArgObject<CYTextBox>(L, 1);
    const std::string text = ArgTextLenient(L, 2);
    if (!box) return 0;
    box->AddText(text);
    const int32_t lines = static_cast<int32_t>(box->GetLines().size());
    box->SetFirstLine(lines - kAddTextVisibleLines);
    // A box that laid out nothing (no font) has no end to scroll to.
    if (CYSlider* bar = box->GetScrollBar(); bar && lines > 0)
        bar->SetPosition(static_cast<float>(lines - (kAddTextVisibleLines - 1)) / static_cast<float>(lines));
    return 0;
}

// GetTextSize(box): the width of the whole text in the box's current font; 0 without one.
int GetTextSize(lua_State* L) {
    CYTextBox* box = ArgObject<CYTextBox>(L, 1);
    CYFont* font = box ? box->GetCurrentFont() : nullptr;
    lua_pushnumber(L, font ? ScriptNumberToInt(Finite(font->GetTextWidth(box->GetText()))) : 0);
    return 1;
}

int SetTextForEdit(lua_State* L) {
    CYTextEdit* edit = ArgObject<CYTextEdit>(L, 1);
    const std::string text = ArgTextLenient(L, 2);
    if (edit) edit->SetText(text);
    return 0;
}

int GetText(lua_State* L) {
    CYTextEdit* edit = ArgObject<CYTextEdit>(L, 1);
    const std::string& text = edit ? edit->GetText() : std::string();
    lua_pushlstring(L, text.data(), text.size());
    return 1;
}

// SetEdit(edit): editing starts as after a click, without "textedit_click" and without
// hiding the cursor, on this and later clicks.
int SetEdit(lua_State* L) {
    CYTextEdit* edit = ArgObject<CYTextEdit>(L, 1);
    if (edit) edit->StartEditing();
    return 0;
}

// SetCursorType(name): "hidden", "normal", "action" or another cursor of the table.
int SetCursorType(lua_State* L) {
    const std::string name = ArgTextLenient(L, 1);
    SendTextEvent(YEVENT_SET_CURSOR_TYPE, name);
    return 0;
}

// ---- Windows made at run time

// NewWindow(name, texture, effect, mask, width, height, texWidth, texHeight, texU, texV,
// layer): a plain window of an interface texture, hidden and inactive until shown.
int NewWindow(lua_State* L) {
    const std::string name = ArgTextLenient(L, 1);
    const std::string texture = ArgTextLenient(L, 2);
    const std::string effect = ArgTextLenient(L, 3);
    const std::string mask = ArgTextLenient(L, 4);
    int32_t n[7];
    for (int i = 0; i < 7; ++i) n[i] = ArgIntLenient(L, 5 + i);
    auto window = std::make_unique<CYWindow>(name, "interface\\" + texture, effect, mask, n[0], n[1], n[2], n[3], n[4],
                                             n[5], 0.0f, 0.0f);
    window->Load();
    window->SetLayer(n[6]);
    return HandOverWindow(L, std::move(window));
}

// NewTextbox(name, width, height, font, pressedFont, litFont, lineSpace, centered, layer):
// an empty text box without scroll bar.
int NewTextbox(lua_State* L) {
    const std::string name = ArgTextLenient(L, 1);
    int32_t n[6];
    for (int i = 0; i < 6; ++i) n[i] = ArgIntLenient(L, 2 + i);
    const bool centered = ArgBool(L, 8);
    const int32_t layer = ArgIntLenient(L, 9);
    // The fonts in the order normal, pressed, lit.
    auto box = std::make_unique<CYTextBox>(name, n[0], n[1], n[2], n[4], n[3], n[5], YScrollBarDesc{}, centered);
    box->SetLayer(layer);
    box->Load();
    box->SetText("");
    return HandOverWindow(L, std::move(box));
}

// ---- The game world

// SetInterfaceMode(mode): the world switches to interface mode for any mode but 0.
int SetInterfaceMode(lua_State* L) {
    const int32_t mode = ArgIntLenient(L, 1);
    SendEvent(YEVENT_SET_INTERFACE_MODE, mode != 0 ? 1 : 0, 0);
    return 0;
}

// ChangeBackground(name): the world's background texture.
int ChangeBackground(lua_State* L) {
    const std::string name = ArgText(L, 1);
    SendTextEvent(YEVENT_CHANGE_BACKGROUND, name);
    return 0;
}

// SetInterfaceCameraParams(lx, ly, lz, vx, vy, vz): the look-at point and view vector the
// world's camera takes in interface mode. Nothing without a game world.
int SetInterfaceCameraParams(lua_State* L) {
    math::Vec3 lookAt, view;
    lookAt.x = ArgFloat(L, 1);
    lookAt.y = ArgFloat(L, 2);
    lookAt.z = ArgFloat(L, 3);
    view.x = ArgFloat(L, 4);
    view.y = ArgFloat(L, 5);
    view.z = ArgFloat(L, 6);
    CYGameWorld* world = QuerySingleton<CYGameWorld>(YEVENT_GET_GAME_WORLD);
    if (!world) return 0;
    world->SetBackgroundLookAt(lookAt);
    world->SetBackgroundViewVector(view);
    return 0;
}

// ---- Objects on interface screens and picking

// CreateComplexObjectForInterface(file, x, y, z): true and the object placed there, owned
// by the interface from then on; false when the description does not load. Without an
// interface to own it the object is not kept: true and null.
int CreateComplexObjectForInterface(lua_State* L) {
    const std::string file = ArgText(L, 1);
    const math::Vec3 position{ArgFloat(L, 2), ArgFloat(L, 3), ArgFloat(L, 4)};
    CYComplexObject* loaded = nullptr;
    CYMeshLoader loader;
    if (FAILED(loader.LoadObject(file, &loaded)) || !loaded) {
        lua_pushboolean(L, false);
        return 1;
    }
    std::unique_ptr<CYComplexObject> object(loaded);
    object->SetPosition(position);
    object->UpdatePlacement();
    lua_pushboolean(L, true);
    if (EventRecordCount(YEVENT_CREATE_INTERFACE_OBJECT) == 0) {
        Log(3, "No interface to take the object %s\n", file.c_str());
        PushNull(L);
        return 2;
    }
    // The reference is taken first: the object is the interface's once the event is sent.
    PushReference(L, object.get());
    SendEvent(YEVENT_CREATE_INTERFACE_OBJECT, reinterpret_cast<intptr_t>(object.release()), 0);
    return 2;
}

// ComplexObjectUpdate(object, unused): the object's frame with the frame time, then its
// parts are handed to drawing.
int ComplexObjectUpdate(lua_State* L) {
    CYComplexObject* object = ArgObject<CYComplexObject>(L, 1);
    ArgNumberLenient(L, 2);
    if (!object) return 0;
    object->Update(static_cast<float>(g_timer.frameTime));
    object->Draw();
    return 0;
}

// GetBoundingPoints(object): left, top, right, bottom of the object's bounding box on the
// screen, in interface units. Zeros without a camera, for a null object, and when a
// corner has no screen position (it projects to infinity).
int GetBoundingPoints(lua_State* L) {
    CYComplexObject* object = ArgObject<CYComplexObject>(L, 1);
    math::Matrix viewProjection;
    if (!object || !ViewProjection(&viewProjection, nullptr)) return PushNumbers(L, {0, 0, 0, 0});
    float minX = INFINITY, minY = INFINITY, maxX = -INFINITY, maxY = -INFINITY;
    for (const math::Vec4& corner : object->GetBox().corners) {
        const math::Vec4 p = math::Vec4Transform({corner.x, corner.y, corner.z, 1.0f}, viewProjection);
        const float x = p.x / p.w, y = -p.y / p.w;
        if (p.w == 0.0f || !std::isfinite(x) || !std::isfinite(y)) return PushNumbers(L, {0, 0, 0, 0});
        minX = std::fmin(minX, x);
        minY = std::fmin(minY, y);
        maxX = std::fmax(maxX, x);
        maxY = std::fmax(maxY, y);
    }
    return PushNumbers(L, {Finite((minX + 1.0f) * 320.0f), Finite((minY + 1.0f) * 240.0f),
                           Finite((maxX + 1.0f) * 320.0f), Finite((maxY + 1.0f) * 240.0f)});
}

// TransformIntoWorld(u, v): the unit direction from the camera's eye toward the far-plane
// point under the screen point (u, v in 0..1). Zeros without a camera or when the view
// x projection cannot be inverted.
int TransformIntoWorld(lua_State* L) {
    const float u = ArgFloatLenient(L, 1);
    const float v = ArgFloatLenient(L, 2);
    math::Matrix viewProjection, inverse;
    math::Vec3 eye;
    if (!ViewProjection(&viewProjection, &eye) || !math::MatrixInverse(viewProjection, &inverse) ||
        !math::IsFinite(inverse))
        return PushNumbers(L, {0, 0, 0});
    const math::Vec4 p = math::Vec4Transform({2.0f * u - 1.0f, 1.0f - 2.0f * v, 1.0f, 1.0f}, inverse);
    const math::Vec3 far{p.x / p.w, p.y / p.w, p.z / p.w};
    const math::Vec3 direction = math::Vec3Normalize(far - eye);
    if (p.w == 0.0f || !math::IsFinite(direction)) return PushNumbers(L, {0, 0, 0});
    return PushNumbers(L, {direction.x, direction.y, direction.z});
}

// CrossRayInterface(object, ox, oy, oz, dx, dy, dz, maxDistance): the nearest hit of the ray
// on the object's visible, colliding parts closer than maxDistance: true, the distance, the
// part, the point and the face's plane; false when nothing is hit.
int CrossRayInterface(lua_State* L) {
    CYComplexObject* object = ArgObject<CYComplexObject>(L, 1);
    const math::Vec4 origin{ArgFloat(L, 2), ArgFloat(L, 3), ArgFloat(L, 4), 1.0f};
    const math::Vec4 direction{ArgFloat(L, 5), ArgFloat(L, 6), ArgFloat(L, 7), 0.0f};
    float distance = ArgFloat(L, 8);
    if (!object || !object->IsCollidable()) {
        lua_pushboolean(L, false);
        return 1;
    }
    const CYObject* hitPart = nullptr;
    math::Vec4 point;
    math::Plane plane;
    for (const CYObject* part : object->Parts()) {
        if (!part || !part->IsVisible() || !part->HasCollision()) continue;
        bool hit = false;
        for (const CYBoundingBox& record : part->GetBoundingRecords())
            if (record.IntersectRay(origin, direction, &point, &distance, &plane) != 0.0f) hit = true;
        for (const CYObject* child : part->Children())
            if (child && child->IsVisible() && child->HasCollision() &&
                child->CrossRay(origin, direction, &point, &distance, &plane))
                hit = true;
        if (hit) hitPart = part;
    }
    if (!hitPart) {
        lua_pushboolean(L, false);
        return 1;
    }
    lua_pushboolean(L, true);
    lua_pushnumber(L, distance);
    PushPart(L, const_cast<CYObject*>(hitPart));
    return 3 + PushNumbers(L, {point.x, point.y, point.z, plane.a, plane.b, plane.c, plane.d});
}

// ---- Settings

// GetDisplayModes(): the count, then a table of "width x height x depth" texts, 16 for the
// modes in the first entry's format and 32 for the others.
int GetDisplayModes(lua_State* L) {
    const std::vector<YDisplayModeRecord>& modes = DisplayModes();
    return PushCountAndTable(L, modes, [&modes](lua_State* L, const YDisplayModeRecord& mode) {
        char text[64];
        std::snprintf(text, sizeof text, "%d x %d x %d", int(mode.width), int(mode.height),
                      mode.format == modes.front().format ? 16 : 32);
        lua_pushstring(L, text);
    });
}

// GetCurrentScreen(): the 1-based entry of the mode list that the screen settings name
// (the first entry's format for 16 bits, the last entry's otherwise); 1 when none does.
int GetCurrentScreen(lua_State* L) {
    const std::vector<YDisplayModeRecord>& modes = DisplayModes();
    lua_Number current = 1;
    if (!modes.empty()) {
        const gfx::Format format = g_settings.bitsPerPixel == 16 ? modes.front().format : modes.back().format;
        for (size_t i = 0; i < modes.size(); ++i)
            if (int64_t(modes[i].height) == g_settings.screenHeight && int64_t(modes[i].width) == g_settings.screenWidth &&
                modes[i].format == format) {
                current = lua_Number(i + 1);
                break;
            }
    }
    lua_pushnumber(L, current);
    return 1;
}

// SetDisplayMode(i): entry i of the mode list, counted from 0; an index outside the list
// does nothing.
int SetDisplayMode(lua_State* L) {
    const int32_t index = ArgIntLenient(L, 1);
    CYRenderer* renderer = QuerySingleton<CYRenderer>(YEVENT_GET_RENDERER);
    if (renderer && index >= 0 && size_t(index) < renderer->GetDisplayModes().size()) renderer->SetDisplayMode(index);
    return 0;
}

int GetBrightnessLevel(lua_State* L) {
    lua_pushnumber(L, Finite(g_settings.brightness));
    return 1;
}

// SetBrightnessLevel(level): the renderer rounds and stores it and shows its ramp.
int SetBrightnessLevel(lua_State* L) {
    const float level = ArgFloatLenient(L, 1);
    SendEvent(YEVENT_SET_BRIGHTNESS, FloatEventArg(level), 0);
    return 0;
}

int GetTrilinearFiltration(lua_State* L) {
    lua_pushboolean(L, g_settings.trilinear != 0);
    return 1;
}

// SetTrilinearFiltration(on): linear magnification and minification on texture stages 0
// and 1, linear between mip levels when on, nearest level when off; at once.
int SetTrilinearFiltration(lua_State* L) {
    const bool on = ArgBool(L, 1);
    g_settings.trilinear = on ? 1 : 0;
    CYRenderer* renderer = QuerySingleton<CYRenderer>(YEVENT_GET_RENDERER);
    gfx::Device* device = renderer ? renderer->GetDevice() : nullptr;
    if (!device) return 0;
    for (uint32_t stage = 0; stage < 2; ++stage) {
        device->SetSamplerState(stage, gfx::SAMP_MAGFILTER, gfx::TEXF_LINEAR);
        device->SetSamplerState(stage, gfx::SAMP_MINFILTER, gfx::TEXF_LINEAR);
        device->SetSamplerState(stage, gfx::SAMP_MIPFILTER, on ? gfx::TEXF_LINEAR : gfx::TEXF_POINT);
    }
    return 0;
}

int GetMouseSpeed(lua_State* L) {
    lua_pushnumber(L, Finite(g_settings.mouseSpeed));
    return 1;
}

// SetMouseSpeed(s): from the next input frame; below 0.01 the speed becomes 0.1.
int SetMouseSpeed(lua_State* L) {
    const float speed = ArgFloatLenient(L, 1);
    g_settings.mouseSpeed = speed < kMinMouseSpeed ? kDefaultMouseSpeed : speed;
    return 0;
}

// GetAction(name): the name of the key bound to the action; empty for a name that is no
// action.
int GetAction(lua_State* L) {
    const std::string name = ArgTextLenient(L, 1);
    CYActions* actions = QuerySingleton<CYActions>(YEVENT_GET_ACTIONS);
    const YKeyBinding* binding = actions ? actions->Binding(actions->IndexOfAction(name)) : nullptr;
    const std::string& key = binding ? binding->keyName : std::string();
    lua_pushlstring(L, key.data(), key.size());
    return 1;
}

// SetAction(name, code): binds the key to the action; the action that held it loses it.
int SetAction(lua_State* L) {
    const std::string name = ArgTextLenient(L, 1);
    const int32_t code = ArgIntLenient(L, 2);
    if (CYActions* actions = QuerySingleton<CYActions>(YEVENT_GET_ACTIONS)) actions->SetAction(name, code);
    return 0;
}
