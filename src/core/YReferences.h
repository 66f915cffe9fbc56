// The references that scripts hold. Every engine object a script may be given derives from
// CYReferenced, which enters it in one table under an id that is never given twice; Lua
// sees the id as a light userdata (0 is null). An id of a destroyed object, or one asked
// for as the wrong class, resolves to null, so a script can never reach freed memory.
#pragma once
#include <cstddef>
#include <cstdint>

class CYReferenced {
public:
    // The object's id; 0 once the reference was dropped (or when ids ran out).
    uint32_t ReferenceId() const { return id_; }
    // The value scripts hold: the id as a light-userdata address.
    void* Reference() const { return reinterpret_cast<void*>(static_cast<uintptr_t>(id_)); }

protected:
    CYReferenced();
    // A copy is another object and gets an id of its own; assignment keeps each id.
    CYReferenced(const CYReferenced&);
    CYReferenced& operator=(const CYReferenced&) { return *this; }
    virtual ~CYReferenced();
    // Makes the id resolve to null from now on; a destructor that may still run scripts or
    // send events calls it first. The base destructor does it otherwise.
    void DropReference();

private:
    uint32_t id_ = 0;
};

// Largest id handed out; ids stay positive as 32-bit signed integers, so they print with
// "%d" and keep their value in the engine's 32-bit parameter fields.
constexpr uint32_t kMaxReferenceId = 0x7FFFFFFF;

// The id carried by a light-userdata value; 0 for null and for values beyond the id range.
inline uint32_t ReferenceIdOf(const void* reference) {
    uintptr_t value = reinterpret_cast<uintptr_t>(reference);
    return value <= kMaxReferenceId ? static_cast<uint32_t>(value) : 0;
}
// The light-userdata value of an id.
inline void* ReferenceOfId(uint32_t id) { return reinterpret_cast<void*>(static_cast<uintptr_t>(id)); }

// The live object of an id; null for 0 and for an id whose object is gone.
CYReferenced* FindReferenced(uint32_t id);

// The live object of a reference when it is a T (or derives from one); null otherwise.
template <class T>
T* ResolveReference(const void* reference) {
    return dynamic_cast<T*>(FindReferenced(ReferenceIdOf(reference)));
}

// The address of the whole object. A script handler's owner is this address (the owner's
// `this` under single inheritance), so commands sent to a reference find its handler.
inline const void* ObjectAddress(const CYReferenced* object) { return dynamic_cast<const void*>(object); }

// Number of live references, for tests and the leak check.
size_t LiveReferenceCount();
// Sets the next id to be handed out and returns the previous one. For tests only, which
// move it to the end of the id range and back.
uint32_t SetNextReferenceId(uint32_t id);
