// What a polygon sink sees of a drawn object, and the sink's queue of such objects.
// A source knows the queues that hold it and leaves them when it is destroyed, so a
// queue never holds a freed object; a queue that goes first unlinks itself likewise.
#pragma once
#include <cstdint>
#include <vector>

#include "platform/graphics/Device.h"

class CYPolygonQueue;

class YGeometrySource {
public:
    // The 16-bit triangle-list indices, GetIndexCount() of them.
    virtual const uint16_t* GetIndices() const = 0;
    // The vertices, GetVertexCount() of them.
    virtual const gfx::Vertex* GetVertices() const = 0;
    virtual int GetIndexCount() const = 0;
    virtual int GetVertexCount() const = 0;
    // Writes the GetVertexCount() vertices to dest, through the object's vertex effect
    // when it has one.
    virtual void ApplyVertexEffect(gfx::Vertex* dest) = 0;

    // Leaves every queue that holds this object. The destructor calls it.
    void RemoveFromQueues();
    // Number of queues holding this object.
    int QueueCount() const { return static_cast<int>(queues_.size()); }

protected:
    YGeometrySource() = default;
    // A copy is in no queue.
    YGeometrySource(const YGeometrySource&) {}
    YGeometrySource& operator=(const YGeometrySource&) { return *this; }
    virtual ~YGeometrySource();

private:
    friend class CYPolygonQueue;
    std::vector<CYPolygonQueue*> queues_;
};

// The objects handed to one sink this frame, with their vertex and index counts. The
// vectors keep their capacity from frame to frame.
class CYPolygonQueue {
public:
    CYPolygonQueue() = default;
    ~CYPolygonQueue();
    CYPolygonQueue(const CYPolygonQueue&) = delete;
    CYPolygonQueue& operator=(const CYPolygonQueue&) = delete;

    // Appends the object and adds its counts (negative counts count as 0).
    void Add(YGeometrySource* source);
    // Takes every entry of the object out; the counts become those of the rest.
    void Remove(YGeometrySource* source);
    // Empties the queue and zeroes the counts.
    void Clear();

    YGeometrySource* const* Data() const { return entries_.data(); }
    int Size() const { return static_cast<int>(entries_.size()); }
    bool Empty() const { return entries_.empty(); }
    int Vertices() const { return vertices_; }
    int Indices() const { return indices_; }

private:
    std::vector<YGeometrySource*> entries_;
    int vertices_ = 0;
    int indices_ = 0;
};

// a + b for counts, held below a bound so that sums of hostile counts cannot overflow.
int AddCounts(int a, int b);
