// Polygon sinks: scene nodes that objects hand their geometry to each frame. A sink
// wakes its path, announces the object's counts to the renderer, queues it, copies
// the queue into the locked buffers during the fill pass and draws it with one call.
#pragma once
#include "render/YGeometrySource.h"
#include "render/YNode.h"
#include "render/YRenderer.h"

class CYPolygonSink {
public:
    virtual ~CYPolygonSink() = default;
    // Takes an object to draw this frame.
    virtual void AddGeometry(YGeometrySource* object) = 0;
};

// Copies its objects into the dynamic ring every frame.
class CYDynamicPolygonRenderer : public CYNode, public CYPolygonSink {
public:
    CYDynamicPolygonRenderer();
    void AddGeometry(YGeometrySource* object) override;
    // Draws the batch when awake, then the children.
    HRESULT Render() override;
    // Clears the batch and sleeps, without descending.
    void MarkIdle() override;
    // Writes the queue as one batch and empties it, then the children.
    HRESULT FillBuffers() override;

    const YBatch& GetBatch() const { return batch_; }
    const CYPolygonQueue& GetQueue() const { return queue_; }

private:
    CYPolygonQueue queue_;
    YBatch batch_;
};

// Writes its objects once into the static pair and draws them from there every frame.
class CYStaticPolygonRenderer : public CYNode, public CYPolygonSink {
public:
    CYStaticPolygonRenderer();
    void AddGeometry(YGeometrySource* object) override;
    // Written flag := value; 0 also clears the batch, so the sink collects again.
    void SetState(int value) override;
    // Draws the batch whether idle or not, then the children when awake.
    HRESULT Render() override;
    // Writes the queue once, then the children when awake.
    HRESULT FillBuffers() override;

    const YBatch& GetBatch() const { return batch_; }
    const CYPolygonQueue& GetQueue() const { return queue_; }
    bool IsWritten() const { return written_ != 0; }

private:
    CYPolygonQueue queue_;
    YBatch batch_;
    int written_ = 0;
};
