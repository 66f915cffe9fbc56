// The GLSL programs of the GL device: the fixed-function pipeline (transform, lighting,
// two texture stages, alpha test), the final pass (gamma ramp, scaling) and the text.
#include <string>
#include <vector>

#include "platform/graphics/GLDevice.h"
#include "platform/system/System.h"

namespace gfx::detail {

namespace {
#define FIXED_STATE_BLOCK                                                                          \
    "struct LightData {\n"                                                                         \
    "    vec4 diffuse; vec4 specular; vec4 ambient; vec4 position; vec4 direction;\n"              \
    "    vec4 params; vec4 atten;\n"                                                               \
    "};\n"                                                                                         \
    "layout(std140, binding = 0) uniform FixedState {\n"                                           \
    "    vec4 matDiffuse; vec4 matAmbient; vec4 matSpecular; vec4 matEmissive;\n"                  \
    "    vec4 globalAmbient; vec4 textureFactor; vec4 pixelOffset;\n"                              \
    "    ivec4 colorStage[2]; ivec4 alphaStage[2];\n"                                              \
    "    ivec4 lighting; ivec4 sources; ivec4 alphaTest; ivec4 vertexFormat;\n"                    \
    "    LightData lights[15];\n"                                                                  \
    "};\n"
}  // namespace

// The fixed-function sources follow the version line and the #defines of a program's key
// (see BuildFixedProgram): the switches LIGHTING, SPECULAR, STAGE0, TEXTURE0, STAGE1,
// TEXTURE1 and ALPHATEST, and COLOR0, ALPHA0, COLOR1, ALPHA1, each stage's operation and
// arguments as constants or, in the generic program, read from the block. The lights are
// one call each in LIGHT_CALLS, with SPOT_LIGHTS and DIRECTIONAL_LIGHTS saying which kinds
// are among them, and DIFFUSE_SOURCE .. EMISSIVE_SOURCE where the material colours come
// from; the generic program loops over the count in the block and reads the sources there.
const char* const kFixedVertexShader =
    FIXED_STATE_BLOCK
    R"(
layout(location = 0) in vec3 inPosition;
layout(location = 1) in vec3 inNormal;
layout(location = 2) in vec4 inDiffuse;
layout(location = 3) in vec4 inSpecular;
layout(location = 4) in vec2 inTex0;
layout(location = 5) in vec2 inTex1;
// The transforms change from draw to draw: they are uniforms of their own, not part of the block.
layout(location = 0) uniform mat4 worldViewProj;
#if LIGHTING
layout(location = 4) uniform mat4 worldView;
layout(location = 8) uniform mat4 normalMatrix;
#endif
out vec4 vDiffuse;
out vec4 vSpecular;
out vec2 vTex0;
out vec2 vTex1;

// A material colour or, with colour vertex on, the vertex colour it is taken from.
vec4 Source(int source, vec4 material, vec4 color1, vec4 color2) {
    if (lighting.z != 0) {
        if (source == 1 && vertexFormat.y != 0) return color1;
        if (source == 2 && vertexFormat.z != 0) return color2;
    }
    return material;
}

#if LIGHTING
// A colour taken from where the program was built to take it (see Source): 1 the vertex
// diffuse, 2 the vertex specular, else the material.
vec4 Picked(int source, vec4 material) {
    return source == 1 ? inDiffuse : source == 2 ? inSpecular : material;
}

// Light i's share at view-space point P with normal N, V towards the viewer.
void AddLight(int i, vec3 P, vec3 N, vec3 V, inout vec3 ambient, inout vec3 diffuse, inout vec3 specular) {
    int type = int(lights[i].atten.w);
    vec3 toLight;
    float factor = 1.0;
    // A light beyond its range adds nothing. Selected rather than branched on: a branch
    // puts the rest of the light under a mask, which costs more than working it out.
    bool reaches = true;
#if DIRECTIONAL_LIGHTS
    if (type == 3) {
        toLight = lights[i].direction.xyz;
    } else
#endif
    {
        vec3 d = lights[i].position.xyz - P;
        float dist = length(d);
        reaches = !(dist > lights[i].params.x);
        toLight = dist > 0.0 ? d / dist : vec3(0.0);
        vec3 a = lights[i].atten.xyz;
        factor = 1.0 / max(a.x + a.y * dist + a.z * dist * dist, 1e-6);
#if SPOT_LIGHTS
        if (type == 2) {
            float rho = dot(-toLight, lights[i].direction.xyz);
            float cosTheta = lights[i].params.z, cosPhi = lights[i].params.w;
            if (rho <= cosPhi)
                factor = 0.0;
            else if (rho <= cosTheta)
                factor *= pow(clamp((rho - cosPhi) / max(cosTheta - cosPhi, 1e-6), 0.0, 1.0), lights[i].params.y);
        }
#endif
    }
    ambient = reaches ? ambient + lights[i].ambient.rgb * factor : ambient;
    float nl = dot(N, toLight);
    if (reaches && nl > 0.0) {
        diffuse += lights[i].diffuse.rgb * nl * factor;
#if SPECULAR
        float nh = dot(N, normalize(toLight + V));
        if (nh > 0.0) specular += lights[i].specular.rgb * pow(nh, pixelOffset.z) * factor;
#endif
    }
}
#endif

void main() {
    vec4 p = vec4(inPosition, 1.0);
    gl_Position = worldViewProj * p;
    // Pixel centres sit on whole coordinates, as the engine's screen geometry expects.
    gl_Position.xy += pixelOffset.xy * gl_Position.w;
    vTex0 = colorStage[0].w == 1 ? inTex1 : inTex0;
    vTex1 = colorStage[1].w == 0 ? inTex0 : inTex1;
    vec4 color1 = vertexFormat.y != 0 ? inDiffuse : vec4(1.0);
    vec4 color2 = vertexFormat.z != 0 ? inSpecular : vec4(0.0);
#if !LIGHTING
    vDiffuse = color1;
    vSpecular = color2;
#else
#ifdef DIFFUSE_SOURCE
    vec4 md = Picked(DIFFUSE_SOURCE, matDiffuse);
    vec4 ms = Picked(SPECULAR_SOURCE, matSpecular);
    vec4 ma = Picked(AMBIENT_SOURCE, matAmbient);
    vec4 me = Picked(EMISSIVE_SOURCE, matEmissive);
#else
    vec4 md = Source(sources.x, matDiffuse, inDiffuse, inSpecular);
    vec4 ms = Source(sources.y, matSpecular, inDiffuse, inSpecular);
    vec4 ma = Source(sources.z, matAmbient, inDiffuse, inSpecular);
    vec4 me = Source(sources.w, matEmissive, inDiffuse, inSpecular);
#endif
    vec3 P = (worldView * p).xyz;
    vec3 N = vertexFormat.x != 0 ? (normalMatrix * vec4(inNormal, 0.0)).xyz : vec3(0.0);
    if (alphaTest.w != 0 && dot(N, N) > 0.0) N = normalize(N);
    vec3 V = lighting.w != 0 ? normalize(-P) : vec3(0.0, 0.0, -1.0);
    vec3 ambient = vec3(0.0), diffuse = vec3(0.0), specular = vec3(0.0);
#ifdef LIGHT_CALLS
    LIGHT_CALLS
#else
    for (int i = 0; i < vertexFormat.w; ++i) AddLight(i, P, N, V, ambient, diffuse, specular);
#endif
    vDiffuse = vec4(clamp(me.rgb + ma.rgb * (globalAmbient.rgb + ambient) + md.rgb * diffuse, 0.0, 1.0),
                    clamp(md.a, 0.0, 1.0));
    vSpecular = vec4(clamp(ms.rgb * specular, 0.0, 1.0), clamp(ms.a, 0.0, 1.0));
#endif
}
)";

const char* const kFixedFragmentShader =
    FIXED_STATE_BLOCK
    R"(
layout(binding = 0) uniform sampler2D texture0;
layout(binding = 1) uniform sampler2D texture1;
in vec4 vDiffuse;
in vec4 vSpecular;
in vec2 vTex0;
in vec2 vTex1;
out vec4 fragColor;

vec4 Arg(int arg, vec4 current, vec4 tex) {
    int select = arg & 15;
    vec4 v = vec4(0.0);
    if (select == 0) v = vDiffuse;
    else if (select == 1) v = current;
    else if (select == 2) v = tex;
    else if (select == 3) v = textureFactor;
    else if (select == 4) v = vSpecular;
    if ((arg & 16) != 0) v = 1.0 - v;
    if ((arg & 32) != 0) v = vec4(v.a);
    return v;
}

vec4 Operation(int op, vec4 a1, vec4 a2, vec4 tex) {
    if (op == 2) return a1;
    if (op == 3) return a2;
    if (op == 4) return a1 * a2;
    if (op == 5) return 2.0 * a1 * a2;
    if (op == 6) return 4.0 * a1 * a2;
    if (op == 7) return a1 + a2;
    if (op == 8) return a1 + a2 - 0.5;
    if (op == 10) return a1 - a2;
    if (op == 12) return mix(a2, a1, vDiffuse.a);
    if (op == 13) return mix(a2, a1, tex.a);
    if (op == 14) return mix(a2, a1, textureFactor.a);
    return a1;
}

// c and a: the colour and alpha operation with their two arguments.
vec4 Stage(ivec3 c, ivec3 a, vec4 current, vec4 tex) {
    vec3 rgb = clamp(Operation(c.x, Arg(c.y, current, tex), Arg(c.z, current, tex), tex).rgb, 0.0, 1.0);
    float alpha = current.a;
    if (a.x != 1) alpha = clamp(Operation(a.x, Arg(a.y, current, tex), Arg(a.z, current, tex), tex).a, 0.0, 1.0);
    return vec4(rgb, alpha);
}

bool Compare(int func, int value, int reference) {
    if (func == 1) return false;
    if (func == 2) return value < reference;
    if (func == 3) return value == reference;
    if (func == 4) return value <= reference;
    if (func == 5) return value > reference;
    if (func == 6) return value != reference;
    if (func == 7) return value >= reference;
    return true;
}

void main() {
    vec4 current = vDiffuse;
#if STAGE0
#if TEXTURE0
    current = Stage(COLOR0, ALPHA0, current, texture(texture0, vTex0));
#else
    current = Stage(COLOR0, ALPHA0, current, vec4(1.0));
#endif
#if STAGE1
#if TEXTURE1
    current = Stage(COLOR1, ALPHA1, current, texture(texture1, vTex1));
#else
    current = Stage(COLOR1, ALPHA1, current, vec4(1.0));
#endif
#endif
#endif
#if SPECULAR
    current.rgb = min(current.rgb + vSpecular.rgb, vec3(1.0));
#endif
#if ALPHATEST
    if (!Compare(alphaTest.y, int(current.a * 255.0 + 0.5), alphaTest.z)) discard;
#endif
    fragColor = current;
}
)";

const char* const kFinalVertexShader = R"(#version 450 core
out vec2 vUv;
void main() {
    vec2 p = vec2(float((gl_VertexID & 1) * 4 - 1), float((gl_VertexID & 2) * 2 - 1));
    vUv = p * 0.5 + 0.5;
    gl_Position = vec4(p, 0.0, 1.0);
}
)";

// The gamma ramp: a 256 x 3 table of output levels, one row a channel.
const char* const kFinalFragmentShader = R"(#version 450 core
layout(binding = 0) uniform sampler2D frame;
layout(binding = 1) uniform sampler2D ramp;
in vec2 vUv;
out vec4 fragColor;
void main() {
    vec4 c = texture(frame, vUv);
    ivec3 i = ivec3(clamp(c.rgb * 255.0 + 0.5, 0.0, 255.0));
    fragColor = vec4(texelFetch(ramp, ivec2(i.r, 0), 0).r, texelFetch(ramp, ivec2(i.g, 1), 0).r,
                     texelFetch(ramp, ivec2(i.b, 2), 0).r, 1.0);
}
)";

const char* const kTextVertexShader = R"(#version 450 core
layout(location = 0) in vec2 inPosition;
layout(location = 1) in vec2 inUv;
layout(location = 0) uniform vec2 frameSize;
out vec2 vUv;
void main() {
    vUv = inUv;
    gl_Position = vec4(inPosition.x / frameSize.x * 2.0 - 1.0, 1.0 - inPosition.y / frameSize.y * 2.0, 0.0, 1.0);
}
)";

const char* const kTextFragmentShader = R"(#version 450 core
layout(binding = 0) uniform sampler2D glyphs;
layout(location = 1) uniform vec4 color;
in vec2 vUv;
out vec4 fragColor;
void main() {
    fragColor = vec4(color.rgb, color.a * texture(glyphs, vUv).r);
}
)";

namespace {
GLuint Compile(GLenum type, const char* source) {
    GLuint shader = glCreateShader(type);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    GLint ok = 0;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        GLint length = 0;
        glGetShaderiv(shader, GL_INFO_LOG_LENGTH, &length);
        std::vector<char> log(static_cast<size_t>(length > 0 ? length : 1) + 1, '\0');
        glGetShaderInfoLog(shader, length, nullptr, log.data());
        sys::DebugOutput(("graphics: shader does not compile: " + std::string(log.data()) + "\n").c_str());
        glDeleteShader(shader);
        return 0;
    }
    return shader;
}
}  // namespace

GLuint BuildProgram(const char* vertexSource, const char* fragmentSource) {
    GLuint vs = Compile(GL_VERTEX_SHADER, vertexSource);
    GLuint fs = Compile(GL_FRAGMENT_SHADER, fragmentSource);
    if (!vs || !fs) {
        if (vs) glDeleteShader(vs);
        if (fs) glDeleteShader(fs);
        return 0;
    }
    GLuint program = glCreateProgram();
    glAttachShader(program, vs);
    glAttachShader(program, fs);
    glLinkProgram(program);
    glDeleteShader(vs);
    glDeleteShader(fs);
    GLint ok = 0;
    glGetProgramiv(program, GL_LINK_STATUS, &ok);
    if (!ok) {
        GLint length = 0;
        glGetProgramiv(program, GL_INFO_LOG_LENGTH, &length);
        std::vector<char> log(static_cast<size_t>(length > 0 ? length : 1) + 1, '\0');
        glGetProgramInfoLog(program, length, nullptr, log.data());
        sys::DebugOutput(("graphics: program does not link: " + std::string(log.data()) + "\n").c_str());
        glDeleteProgram(program);
        return 0;
    }
    return program;
}

GLuint BuildFixedProgram(const FixedKey& key) {
    uint32_t switches = key.switches;
    std::string defines = "#version 450 core\n";
    auto define = [&](const char* name, uint32_t bit) {
        defines += std::string("#define ") + name + ((switches & bit) ? " 1\n" : " 0\n");
    };
    auto operation = [&](const char* name, int stage, int part, const char* block) {
        std::string value = std::string(block) + "[" + std::to_string(stage) + "].xyz";
        if (!(switches & FIXED_GENERIC)) {
            const int32_t* v = key.stages[stage] + part * 3;
            value = "ivec3(" + std::to_string(v[0]) + ", " + std::to_string(v[1]) + ", " + std::to_string(v[2]) + ")";
        }
        defines += std::string("#define ") + name + " " + value + "\n";
    };
    operation("COLOR0", 0, 0, "colorStage");
    operation("ALPHA0", 0, 1, "alphaStage");
    operation("COLOR1", 1, 0, "colorStage");
    operation("ALPHA1", 1, 1, "alphaStage");
    define("LIGHTING", FIXED_LIGHTING);
    define("SPECULAR", FIXED_SPECULAR);
    define("STAGE0", FIXED_STAGE0);
    define("TEXTURE0", FIXED_TEXTURE0);
    define("STAGE1", FIXED_STAGE1);
    define("TEXTURE1", FIXED_TEXTURE1);
    define("ALPHATEST", FIXED_ALPHATEST);
    if (switches & FIXED_GENERIC) {
        // The lights are counted and told apart as the program runs.
        defines += "#define SPOT_LIGHTS 1\n#define DIRECTIONAL_LIGHTS 1\n";
    } else {
        // One call a light, each reading its own slot of the block.
        define("SPOT_LIGHTS", FIXED_SPOT_LIGHTS);
        define("DIRECTIONAL_LIGHTS", FIXED_DIRECTIONAL_LIGHTS);
        const char* const sources[4] = {"DIFFUSE_SOURCE", "SPECULAR_SOURCE", "AMBIENT_SOURCE", "EMISSIVE_SOURCE"};
        for (int i = 0; i < 4; ++i)
            defines += std::string("#define ") + sources[i] + " " +
                       std::to_string((switches >> (kFixedSourceShift + 2 * i)) & 3u) + "\n";
        defines += "#define LIGHT_CALLS";
        const uint32_t lights = (switches & FIXED_LIGHT_COUNT) >> kFixedLightCountShift;
        for (uint32_t i = 0; i < lights; ++i)
            defines += " AddLight(" + std::to_string(i) + ", P, N, V, ambient, diffuse, specular);";
        defines += "\n";
    }
    std::string vertex = defines + kFixedVertexShader, fragment = defines + kFixedFragmentShader;
    return BuildProgram(vertex.c_str(), fragment.c_str());
}

void ColorToFloats(uint32_t argb, float out[4]) {
    out[0] = ((argb >> 16) & 0xFF) / 255.0f;
    out[1] = ((argb >> 8) & 0xFF) / 255.0f;
    out[2] = (argb & 0xFF) / 255.0f;
    out[3] = ((argb >> 24) & 0xFF) / 255.0f;
}

}  // namespace gfx::detail
