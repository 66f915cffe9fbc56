#include "render/YVertexEffect.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdlib>

#include "core/YLog.h"
#include "core/YNumbers.h"
#include "core/YUtils.h"

namespace {

// The sheet of an "anim" effect has at most this many columns and rows, so that its
// offset tables stay small whatever a data file asks.
constexpr int kMaxSheetSide = 256;

// The start value of the flicker's phase and of the scroll. Kept small so that a float
// phase still moves by a frame time.
float RandomStart() { return float(std::rand() % 1024); }

// x brought into 0..1 by whole steps.
float Wrap01(double x) { return float(x - std::floor(x)); }

// Copies the vertices whole; false when there is nothing to copy.
bool CopyVertices(gfx::Vertex* destination, const gfx::Vertex* source, int count) {
    if (!destination || !source || count <= 0) return false;
    std::copy(source, source + count, destination);
    return true;
}

// The real a text starts with (0 when none); false when it does not fit a float.
bool LeadingReal(const std::string& s, float* out) {
    double d = 0.0;
    ParseReal(s, YNumberMode::Leading, &d, DBL_MAX);
    if (std::fabs(d) > FLT_MAX) return false;
    *out = float(d);
    return true;
}

const char* const kAnimCount =
    "\xCD\xE5\xEF\xF0\xE0\xE2\xE8\xEB\xFC\xED\xEE\xE5 \xEA\xEE\xEB\xE8\xF7\xE5\xF1\xF2\xE2\xEE "
    "\xEF\xE0\xF0\xE0\xEC\xE5\xF2\xF0\xEE\xE2 \xE4\xEB\xFF \xFD\xF4\xF4\xE5\xEA\xF2\xE0 "
    "\xE0\xED\xE8\xEC\xE8\xF0\xEE\xE2\xE0\xED\xED\xFF\xF5 \xF2\xE5\xEA\xF1\xF2\xF3\xF0\n";
const char* const kAnimParam[3] = {
    "\xDD\xF4\xF4\xE5\xEA\xF2 \xE0\xED\xE8\xEC\xE0\xF0\xEE\xE2\xE0\xED\xED\xFB\xF5 \xF2\xE5\xEA\xF1\xF2\xF3\xF0: "
    "\xEF\xE5\xF0\xE2\xFB\xE9 \xEF\xE0\xF0\xE0\xEC\xE5\xF2\xF0 \xE4\xEE\xEB\xE6\xE5\xED \xE1\xFB\xF2\xFC "
    "\xF6\xE5\xEB\xFB\xEC \xF7\xE8\xF1\xEB\xEE\xEC\n",
    "\xDD\xF4\xF4\xE5\xEA\xF2 \xE0\xED\xE8\xEC\xE0\xF0\xEE\xE2\xE0\xED\xED\xFB\xF5 \xF2\xE5\xEA\xF1\xF2\xF3\xF0: "
    "\xE2\xF2\xEE\xF0\xEE\xE9 \xEF\xE0\xF0\xE0\xEC\xE5\xF2\xF0 \xE4\xEE\xEB\xE6\xE5\xED \xE1\xFB\xF2\xFC "
    "\xF6\xE5\xEB\xFB\xEC \xF7\xE8\xF1\xEB\xEE\xEC\n",
    "\xDD\xF4\xF4\xE5\xEA\xF2 \xE0\xED\xE8\xEC\xE0\xF0\xEE\xE2\xE0\xED\xED\xFB\xF5 \xF2\xE5\xEA\xF1\xF2\xF3\xF0: "
    "\xF2\xF0\xE5\xF2\xE8\xE9 \xEF\xE0\xF0\xE0\xEC\xE5\xF2\xF0 \xE4\xEE\xEB\xE6\xE5\xED \xE1\xFB\xF2\xFC "
    "\xE4\xE5\xE9\xF1\xF2\xE2\xE8\xF2\xE5\xEB\xFC\xED\xFB\xEC \xF7\xE8\xF1\xEB\xEE\xEC\n",
};
const char* const kFlickCount =
    "\xCD\xE5\xEF\xF0\xE0\xE2\xE8\xEB\xFC\xED\xEE\xE5 \xEA\xEE\xEB\xE8\xF7\xE5\xF1\xF2\xE2\xEE "
    "\xEF\xE0\xF0\xE0\xEC\xE5\xF2\xF0\xEE\xE2 \xE4\xEB\xFF \xEC\xE5\xF0\xF6\xE0\xED\xE8\xFF\n";
const char* const kFlickParam[3] = {
    "\xDD\xF4\xF4\xE5\xEA\xF2 \xEC\xE5\xF0\xF6\xE0\xED\xE8\xFF: \xEF\xE5\xF0\xE2\xFB\xE9 "
    "\xEF\xE0\xF0\xE0\xEC\xE5\xF2\xF0 \xE4\xEE\xEB\xE6\xE5\xED \xE1\xFB\xF2\xFC "
    "\xE4\xE5\xE9\xF1\xF2\xE2\xE8\xF2\xE5\xEB\xFC\xED\xFB\xEC \xF7\xE8\xF1\xEB\xEE\xEC\n",
    "\xDD\xF4\xF4\xE5\xEA\xF2 \xEC\xE5\xF0\xF6\xE0\xED\xE8\xFF: \xE2\xF2\xEE\xF0\xEE\xE9 "
    "\xEF\xE0\xF0\xE0\xEC\xE5\xF2\xF0 \xE4\xEE\xEB\xE6\xE5\xED \xE1\xFB\xF2\xFC \xF6\xE5\xEB\xFB\xEC "
    "\xF7\xE8\xF1\xEB\xEE\xEC\n",
    "\xDD\xF4\xF4\xE5\xEA\xF2 \xEC\xE5\xF0\xF6\xE0\xED\xE8\xFF: \xF2\xF0\xE5\xF2\xE8\xE9 "
    "\xEF\xE0\xF0\xE0\xEC\xE5\xF2\xF0 \xE4\xEE\xEB\xE6\xE5\xED \xE1\xFB\xF2\xFC \xF6\xE5\xEB\xFB\xEC "
    "\xF7\xE8\xF1\xEB\xEE\xEC\n",
};
const char* const kMovingCount =
    "\xCD\xE5\xEF\xF0\xE0\xE2\xE8\xEB\xFC\xED\xEE\xE5 \xEA\xEE\xEB\xE8\xF7\xE5\xF1\xF2\xE2\xEE "
    "\xEF\xE0\xF0\xE0\xEC\xE5\xF2\xF0\xEE\xE2 \xE4\xEB\xFF \xE4\xE2\xE8\xE6\xF3\xF9\xE5\xE9\xF1\xFF "
    "\xF2\xE5\xEA\xF1\xF2\xF3\xF0\xFB\n";
const char* const kMovingParam[2] = {
    "\xDD\xF4\xF4\xE5\xEA\xF2 \xE4\xE2\xE8\xE6\xF3\xF9\xE5\xE9\xF1\xFF \xF2\xE5\xEA\xF1\xF2\xF3\xF0\xFB: "
    "\xEF\xE5\xF0\xE2\xFB\xE9 \xEF\xE0\xF0\xE0\xEC\xE5\xF2\xF0 \xE4\xEE\xEB\xE6\xE5\xED \xE1\xFB\xF2\xFC "
    "\xE4\xE5\xE9\xF1\xF2\xE2\xE8\xF2\xE5\xEB\xFC\xED\xFB\xEC \xF7\xE8\xF1\xEB\xEE\xEC\n",
    "\xDD\xF4\xF4\xE5\xEA\xF2 \xE4\xE2\xE8\xE6\xF3\xF9\xE5\xE9\xF1\xFF \xF2\xE5\xEA\xF1\xF2\xF3\xF0\xFB: "
    "\xE2\xF2\xEE\xF0\xEE\xE9 \xEF\xE0\xF0\xE0\xEC\xE5\xF2\xF0 \xE4\xEE\xEB\xE6\xE5\xED \xE1\xFB\xF2\xFC "
    "\xE4\xE5\xE9\xF1\xF2\xE2\xE8\xF2\xE5\xEB\xFC\xED\xFB\xEC \xF7\xE8\xF1\xEB\xEE\xEC\n",
};
const char* const kFadeParam =
    "\xDD\xF4\xF4\xE5\xEA\xF2 \xF0\xE0\xF1\xF2\xE2\xEE\xF0\xE5\xED\xE8\xFF: \xEF\xE5\xF0\xE2\xFB\xE9 "
    "\xEF\xE0\xF0\xE0\xEC\xE5\xF2\xF0 \xE4\xEE\xEB\xE6\xE5\xED \xE1\xFB\xF2\xFC "
    "\xE4\xE5\xE9\xF1\xF2\xE2\xE8\xF2\xE5\xEB\xFC\xED\xFB\xEC \xF7\xE8\xF1\xEB\xEE\xEC\n";

// Checks the parameter count and the number test of each parameter, logging the
// first failure.
bool CheckParameters(const std::vector<std::string>& p, size_t expected, const char* countMessage,
                     const char* const* parameterMessages) {
    if (p.size() != expected) {
        Log(1, "%s", countMessage);
        return false;
    }
    for (size_t i = 0; i < expected; ++i) {
        if (!IsFloatString(p[i])) {
            Log(1, "%s", parameterMessages[i]);
            return false;
        }
    }
    return true;
}

// Reads parameter i as a real; a value past the float range logs that parameter's message.
bool RealParameter(const std::vector<std::string>& p, size_t i, const char* const* messages, float* out) {
    if (LeadingReal(p[i], out)) return true;
    Log(1, "%s", messages[i]);
    return false;
}

}  // namespace

// ---- Frame animation -----------------------------------------------------------------

CYFrameAnimation::CYFrameAnimation(int columns, int rows, float speed)
    : columns_(std::clamp(columns, 1, kMaxSheetSide)),
      rows_(std::clamp(rows, 1, kMaxSheetSide)),
      speed_(std::isfinite(speed) ? speed : 0.0f),
      du_(1.0f / float(columns_)),
      dv_(1.0f / float(rows_)),
      frameCount_(columns_ * rows_) {
    frameU_ = new float[size_t(frameCount_)];
    frameV_ = new float[size_t(frameCount_)];
    for (int row = 0; row < rows_; ++row) {
        for (int column = 0; column < columns_; ++column) {
            frameU_[row * columns_ + column] = float(column) / float(columns_);
            frameV_[row * columns_ + column] = float(row) / float(rows_);
        }
    }
    currentFrame_ = std::rand() % frameCount_;
}

CYFrameAnimation::~CYFrameAnimation() {
    delete[] frameU_;
    delete[] frameV_;
}

void CYFrameAnimation::Update(float frameTime) {
    if (!std::isfinite(frameTime)) return;
    time_ += frameTime;
    const float position = time_ * speed_;
    if (!std::isfinite(position)) return;
    // trunc(position) mod frames, in the range 0..frames-1 also for a running-back sheet.
    int frame = int(std::trunc(std::fmod(double(position), double(frameCount_))));
    if (frame < 0) frame += frameCount_;
    currentFrame_ = std::clamp(frame, 0, frameCount_ - 1);
}

void CYFrameAnimation::Apply(gfx::Vertex* destination, const gfx::Vertex* source, int count) {
    if (!CopyVertices(destination, source, count)) return;
    const float u = frameU_[currentFrame_], v = frameV_[currentFrame_];
    for (int i = 0; i < count; ++i) {
        destination[i].u0 = du_ * destination[i].u0 + u;
        destination[i].v0 = dv_ * destination[i].v0 + v;
    }
}

// ---- Flicker -------------------------------------------------------------------------

CYFlickEffect::CYFlickEffect(float frequency, uint8_t minimum, uint8_t maximum)
    : frequency_(std::isfinite(frequency) ? frequency : 0.0f),
      maximum_(maximum),
      amplitude_((float(maximum) - float(minimum)) * 0.5f),
      phase_(RandomStart()),
      minimum_(minimum) {
    base_ = uint8_t(int(minimum) + int(std::trunc(amplitude_)));
}

void CYFlickEffect::Update(float frameTime) {
    if (!std::isfinite(frameTime)) return;
    phase_ += frameTime;
    const float swing = std::sin(phase_ * frequency_) * amplitude_;
    if (!std::isfinite(swing)) return;
    const int level = int(base_) + int(std::trunc(swing));
    level_ = uint32_t(std::clamp(level, int(std::min(minimum_, maximum_)), int(std::max(minimum_, maximum_))));
}

void CYFlickEffect::Apply(gfx::Vertex* destination, const gfx::Vertex* source, int count) {
    if (!CopyVertices(destination, source, count)) return;
    const uint32_t colour = level_ == 0xFFFFFF ? 0xFFFFFFu : level_ * 0x010101u;
    for (int i = 0; i < count; ++i) destination[i].diffuse = colour;
}

// ---- Moving texture ------------------------------------------------------------------

CYMovingTextureEffect::CYMovingTextureEffect(float speedU, float speedV)
    : speedU_(std::isfinite(speedU) ? speedU : 0.0f), speedV_(std::isfinite(speedV) ? speedV : 0.0f) {
    const double r = RandomStart();
    offsetU_ = Wrap01(r * speedU_);
    offsetV_ = Wrap01(r * speedV_);
}

void CYMovingTextureEffect::Update(float frameTime) {
    if (!std::isfinite(frameTime)) return;
    // Whole steps are removed at once, so a huge speed costs no more than a small one.
    offsetU_ = Wrap01(double(offsetU_) + double(frameTime * speedU_));
    offsetV_ = Wrap01(double(offsetV_) + double(frameTime * speedV_));
    if (!std::isfinite(offsetU_)) offsetU_ = 0.0f;
    if (!std::isfinite(offsetV_)) offsetV_ = 0.0f;
}

void CYMovingTextureEffect::Apply(gfx::Vertex* destination, const gfx::Vertex* source, int count) {
    if (!CopyVertices(destination, source, count)) return;
    for (int i = 0; i < count; ++i) {
        destination[i].u0 += offsetU_;
        destination[i].v0 += offsetV_;
    }
}

// ---- Fade ----------------------------------------------------------------------------

CYFadeEffect::CYFadeEffect(float rate) : rate_(std::isfinite(rate) ? rate : 0.0f) {}

void CYFadeEffect::Update(float frameTime) {
    if (!std::isfinite(frameTime)) return;
    alpha_ -= frameTime * rate_;
    // A negative rate (or time) must not carry the alpha past a byte.
    if (!(alpha_ >= 0.0f)) alpha_ = 0.0f;
    if (alpha_ > 255.0f) alpha_ = 255.0f;
}

void CYFadeEffect::Apply(gfx::Vertex* destination, const gfx::Vertex* source, int count) {
    if (!CopyVertices(destination, source, count)) return;
    const uint32_t colour = (uint32_t(uint8_t(int(alpha_))) << 24) | 0xFFFFFFu;
    for (int i = 0; i < count; ++i) destination[i].diffuse = colour;
}

// ---- Construction from text ----------------------------------------------------------

CYVertexEffect* CreateVertexEffect(const std::string& name, const std::vector<std::string>& parameters) {
    std::string lowered = name;
    ToLower(lowered);
    const std::vector<std::string>& p = parameters;

    if (lowered == "anim") {
        if (!CheckParameters(p, 3, kAnimCount, kAnimParam)) return nullptr;
        const int columns = TextToInt(p[0], YNumberMode::Leading), rows = TextToInt(p[1], YNumberMode::Leading);
        float speed = 0.0f;
        if (!RealParameter(p, 2, kAnimParam, &speed)) return nullptr;
        // A sheet without cells would divide by zero; a huge one would allocate without bound.
        if (columns < 1 || columns > kMaxSheetSide || rows < 1 || rows > kMaxSheetSide) {
            Log(1, "Animated texture effect: columns and rows must be 1 to %d (%d x %d given)\n", kMaxSheetSide,
                columns, rows);
            return nullptr;
        }
        return new CYFrameAnimation(columns, rows, speed);
    }
    if (lowered == "flick") {
        if (!CheckParameters(p, 3, kFlickCount, kFlickParam)) return nullptr;
        float frequency = 0.0f;
        if (!RealParameter(p, 0, kFlickParam, &frequency)) return nullptr;
        // Taken as bytes: 300 is 44 and -5 is 251.
        const uint8_t minimum = uint8_t(TextToInt(p[1], YNumberMode::Leading));
        const uint8_t maximum = uint8_t(TextToInt(p[2], YNumberMode::Leading));
        return new CYFlickEffect(frequency, minimum, maximum);
    }
    if (lowered == "movingtex") {
        if (!CheckParameters(p, 2, kMovingCount, kMovingParam)) return nullptr;
        float su = 0.0f, sv = 0.0f;
        if (!RealParameter(p, 0, kMovingParam, &su) || !RealParameter(p, 1, kMovingParam, &sv)) return nullptr;
        return new CYMovingTextureEffect(su, sv);
    }
    if (lowered == "fade") {
        const char* const messages[1] = {kFadeParam};
        if (!CheckParameters(p, 1, kFadeParam, messages)) return nullptr;
        float rate = 0.0f;
        if (!RealParameter(p, 0, messages, &rate)) return nullptr;
        return new CYFadeEffect(rate);
    }
    return nullptr;
}

CYVertexEffect* CreateVertexEffect(const std::string& text) {
    std::vector<std::string> words;
    std::string word;
    for (char c : text) {
        if (IsSpace(c)) {
            if (!word.empty()) words.push_back(word), word.clear();
        } else {
            word += c;
        }
    }
    if (!word.empty()) words.push_back(word);
    if (words.empty()) return nullptr;
    const std::string name = words.front();
    words.erase(words.begin());
    return CreateVertexEffect(name, words);
}
