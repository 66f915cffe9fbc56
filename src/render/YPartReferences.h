// Scripts hold the parts and skeletons of complex objects as references too. Parts are not
// reference-table objects themselves (windows, which are, keep their own reference): a part
// gets a small handle in the table the first time a script is given it, and a complex
// object drops the handles of every part and skeleton it deletes, so that a deleted part
// reads as null. Parts that scripts copy belong to nothing until a complex object takes
// them; the free-part store keeps them meanwhile.
#pragma once
#include <cstddef>
#include <memory>

class CYObject;
class CYSkeleton;

// The reference of a part (a window's own reference for a window); null for null.
void* PartReference(CYObject* part);
// The live part of a reference (a window too); null for null, gone or other objects.
CYObject* ResolvePart(const void* reference);
// The reference of a skeleton; null for null.
void* SkeletonReference(CYSkeleton* skeleton);
// The live skeleton of a reference, or null.
CYSkeleton* ResolveSkeleton(const void* reference);

// Drops the handles of the object and of every object below it: they read as null.
void DropPartReferences(CYObject* root);
void DropSkeletonReference(const CYSkeleton* skeleton);

// Most parts the store keeps; keeping one more deletes the oldest (logged).
constexpr size_t kMaxFreeParts = 256;
// Keeps a part that belongs to nothing and returns it.
CYObject* KeepFreePart(std::unique_ptr<CYObject> part);
// Whether the store keeps the part.
bool IsFreePart(const CYObject* part);
// Takes the part out of the store without deleting it: its new owner holds it now.
void ReleaseFreePart(const CYObject* part);
// Deletes every part the store keeps.
void DeleteFreeParts();
size_t FreePartCount();
