// The renderer: owns the graphics device and draws one frame per pass of the main loop.
// It holds the root of the scene-node tree, a dynamic vertex and index buffer pair used
// as a ring that the polygon sinks fill every frame, a static pair that static sinks
// fill once, the statistics line, the gamma ramps behind brightness and fades, the
// display-mode list and the texture manager.
#pragma once
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "core/YEvents.h"
#include "platform/graphics/Device.h"
#include "render/YNode.h"

namespace sys { class Window; }

class CYCameraNode;
class CYDynamicPolygonRenderer;
class CYEffectNode;
class CYLightSetNode;
class CYStaticPolygonRenderer;
class CYTextureManager;
class CYTextures;
class YGeometrySource;

// One draw of a sink: base vertex (always 0), first vertex, vertex count, first index
// (all absolute within the buffers) and triangle count.
struct YBatch {
    uint32_t baseVertex = 0;
    uint32_t firstVertex = 0;
    uint32_t vertexCount = 0;
    uint32_t firstIndex = 0;
    uint32_t triangleCount = 0;
};

// A display mode the renderer offers: size and back-buffer format.
struct YDisplayModeRecord {
    uint32_t height = 0;
    uint32_t width = 0;
    gfx::Format format = gfx::FMT_UNKNOWN;
};

// Capacities of each buffer pair.
constexpr uint32_t kRingVertices = 0x10000;  // 65,536 vertices, 3,145,728 bytes
constexpr uint32_t kRingIndices = 0x40000;   // 262,144 indices, 524,288 bytes
constexpr uint32_t kVertexStride = 48;

// Event 23 carries the brightness level as the bits of a float in a.
inline intptr_t FloatEventArg(float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return static_cast<intptr_t>(bits);
}
inline float EventArgFloat(intptr_t a) {
    uint32_t bits = static_cast<uint32_t>(a);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

class CYRenderer : public CYEventListener {
public:
    CYRenderer();
    ~CYRenderer() override;

    // Subscribes its events, creates the device, the buffers, the font and the texture
    // manager, and publishes itself and the device. 0, or the first failing code.
    HRESULT Init();
    // Locks the rings for the frame's totals and runs the fill pass. E_FAIL while the
    // device is lost; else the first failing lock's code, or 0.
    HRESULT PrepareFrame();
    // Draws the awake tree, the statistics line, and presents; handles device loss.
    HRESULT RenderFrame();
    // Releases the font, the buffers, the device and the texture manager.
    void Shutdown();

    HRESULT CreateDevice();
    // Rebuilds the device with the presentation parameters; the lost flag stays set on failure.
    HRESULT ResetDevice();
    void EnumerateDisplayModes();
    void SetRenderStates();
    void InitGammaRamps();
    // Switches to entry index of the mode list; an index outside the list does nothing.
    void SetDisplayMode(int index);
    // Shows the brightness ramp scaled by factor (1 the brightness level, 0 black).
    void SetFade(float factor);

    // Announced by the sinks as objects are handed to them; the locks of the next
    // PrepareFrame cover these totals.
    void AddDynamicTotals(int vertices, int indices);
    void AddStaticTotals(int vertices, int indices);
    // Copies the objects into the locked dynamic ring during the fill pass. An object
    // that does not fit the locked range (or the 16-bit index range) is skipped. batch
    // receives the range written.
    void WriteDynamicBatch(YGeometrySource* const* objects, int count, int vertexTotal, int indexTotal,
                           YBatch* batch);
    // The same into the static pair while a static refill runs. S_OK when written (or
    // when no refill runs: nothing is written then); E_FAIL when the static pair could
    // not be locked this frame, so the caller collects again.
    HRESULT WriteStaticBatch(YGeometrySource* const* objects, int count, int vertexTotal, int indexTotal,
                             YBatch* batch);
    // One indexed draw of a batch, binding its buffer pair unless bound already.
    void DrawDynamicBatch(const YBatch& batch);
    void DrawStaticBatch(const YBatch& batch);
    // Something drew from its own memory and unbound stream 0: the next batch rebinds.
    void ForgetBoundPair() { boundPair_ = 0; }

    // The child of parent for an effect file, made and attached when missing.
    CYEffectNode* GetEffectNode(CYNode* parent, const std::string& effectName);
    // The child of parent holding these textures (loaded through the texture manager),
    // made and attached when missing.
    CYTextures* GetTexturesNode(CYNode* parent, const std::vector<std::string>& names);
    // The first sink child of parent, made and attached when missing.
    CYDynamicPolygonRenderer* GetDynamicPolygonRenderer(CYNode* parent);
    CYStaticPolygonRenderer* GetStaticPolygonRenderer(CYNode* parent);
    // Always a new light-set node under parent.
    CYLightSetNode* AddLightingNode(CYNode* parent);
    // A new camera node under the root.
    CYCameraNode* AddCameraNode();

    // Event handlers; the context is the renderer.
    static void OnTextureRequest(void* context, intptr_t a, intptr_t b);
    static void OnGetRenderer(void* context, intptr_t a, intptr_t b);
    static void OnRoomDrawn(void* context, intptr_t a, intptr_t b);
    static void OnSetRootFlag(void* context, intptr_t a, intptr_t b);
    static void OnSetBrightness(void* context, intptr_t a, intptr_t b);
    // Rounds the level down to hundredths, stores it in the settings and shows its ramp.
    void SetBrightness(float level);

    CYNode* GetRoot() { return &root_; }
    gfx::Graphics* GetGraphics() const { return graphics_; }
    gfx::Device* GetDevice() const { return device_; }
    CYTextureManager* GetTextureManager() const { return textureManager_; }
    const std::vector<YDisplayModeRecord>& GetDisplayModes() const { return modes_; }
    // Ramp index (0..255) of the gamma table.
    const gfx::GammaRamp& GetGammaTableRamp(int index) const { return gammaTable_[index]; }
    int GetBrightnessIndex() const { return brightnessIndex_; }
    const std::string& GetStatisticsText() const { return statText_; }
    bool IsDeviceLost() const { return lost_; }
    bool IsStaticRefillPending() const { return staticRefill_; }
    int GetDrawCallCount() const { return drawCalls_; }
    int GetRoomsDrawn() const { return roomsDrawn_; }
    uint32_t GetVertexRingStart() const { return vertexStart_; }
    uint32_t GetIndexRingStart() const { return indexStart_; }
    int GetDynamicVertexTotal() const { return dynamicVertexTotal_; }
    int GetDynamicIndexTotal() const { return dynamicIndexTotal_; }
    float GetAspect() const { return aspect_; }
    gfx::VertexBuffer* GetDynamicVertexBuffer() const { return dynamicVB_; }
    gfx::IndexBuffer* GetDynamicIndexBuffer() const { return dynamicIB_; }
    gfx::VertexBuffer* GetStaticVertexBuffer() const { return staticVB_; }
    gfx::IndexBuffer* GetStaticIndexBuffer() const { return staticIB_; }

private:
    HRESULT CreateBuffers(uint32_t dynamicVertexUsage, uint32_t staticVertexUsage);
    void ReleaseBuffers();
    // Locks the static pair over the static totals from the static cursors.
    HRESULT LockStatic();
    void UnlockAll();
    // Attaches a node made for parent; null (and the node deleted) when Create fails.
    template <class Node>
    Node* Attach(CYNode* parent, Node* node);

    CYNode root_;
    gfx::PresentParameters pp_;
    sys::Window* window_ = nullptr;
    bool statistics_ = false;
    std::string modeText_;
    float frames_ = 0.0f;
    double seconds_ = 0.0;
    bool fullScreen_ = false;
    int width_ = 0, height_ = 0, depth_ = 0;
    float aspect_ = 1.0f;
    gfx::Font* font_ = nullptr;
    std::string statText_;
    gfx::Rect statRect_{20, 0, 1000, 600};
    uint32_t behaviorFlags_ = gfx::CREATE_SOFTWARE_VERTEXPROCESSING;
    CYTextureManager* textureManager_ = nullptr;
    int drawCalls_ = 0;
    int roomsDrawn_ = 0;
    int boundPair_ = 0;  // 0 unknown, 1 dynamic pair, 2 static pair
    gfx::Graphics* graphics_ = nullptr;
    gfx::Device* device_ = nullptr;

    // The dynamic ring: this frame's start and write cursors (relative to the start),
    // and the locked range (vertex count and index count from the start).
    gfx::VertexBuffer* dynamicVB_ = nullptr;
    gfx::Vertex* dynamicVertices_ = nullptr;
    gfx::IndexBuffer* dynamicIB_ = nullptr;
    uint16_t* dynamicIndices_ = nullptr;
    uint32_t vertexStart_ = 0, indexStart_ = 0;
    uint32_t vertexCursor_ = 0, indexCursor_ = 0;
    uint32_t lockedVertices_ = 0, lockedIndices_ = 0;
    bool vertexLockHeld_ = false, indexLockHeld_ = false;

    // The static pair: absolute write cursors, and the locked range [start, end).
    gfx::VertexBuffer* staticVB_ = nullptr;
    gfx::Vertex* staticVertices_ = nullptr;
    gfx::IndexBuffer* staticIB_ = nullptr;
    uint16_t* staticIndices_ = nullptr;
    uint32_t staticVertexCursor_ = 0, staticIndexCursor_ = 0;
    uint32_t staticVertexLockStart_ = 0, staticVertexLockEnd_ = 0;
    uint32_t staticIndexLockStart_ = 0, staticIndexLockEnd_ = 0;
    bool staticVertexLockHeld_ = false, staticIndexLockHeld_ = false;
    bool staticLocked_ = false;

    bool lost_ = false;
    gfx::Format format16_ = gfx::FMT_UNKNOWN;
    gfx::Format format32_ = gfx::FMT_UNKNOWN;
    std::vector<YDisplayModeRecord> modes_;
    gfx::GammaRamp currentRamp_;
    gfx::GammaRamp startRamp_;
    std::vector<gfx::GammaRamp> gammaTable_;
    int brightnessIndex_ = 2;
    int dynamicIndexTotal_ = 0, dynamicVertexTotal_ = 0;
    int staticIndexTotal_ = 0, staticVertexTotal_ = 0;
    bool staticRefill_ = true;
};

// The one renderer and its device, published by Init for the nodes that draw.
extern CYRenderer* g_renderer;
extern gfx::Device* g_device;

// The brightness ramp of a level: trunc(level x 255), held within 2..255.
int BrightnessIndexOf(float level);
