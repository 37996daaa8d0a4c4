#include "gltf/accessors.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <string>
#include <type_traits>

namespace {

int ComponentBytes(int componentType) {
    switch (componentType) {
        case TINYGLTF_COMPONENT_TYPE_BYTE:
        case TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE: return 1;
        case TINYGLTF_COMPONENT_TYPE_SHORT:
        case TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT: return 2;
        case TINYGLTF_COMPONENT_TYPE_INT:
        case TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT:
        case TINYGLTF_COMPONENT_TYPE_FLOAT: return 4;
        default: return 0;
    }
}

int TypeComponents(int type) {
    switch (type) {
        case TINYGLTF_TYPE_SCALAR: return 1;
        case TINYGLTF_TYPE_VEC2: return 2;
        case TINYGLTF_TYPE_VEC3: return 3;
        case TINYGLTF_TYPE_VEC4: return 4;
        case TINYGLTF_TYPE_MAT2: return 4;
        case TINYGLTF_TYPE_MAT3: return 9;
        case TINYGLTF_TYPE_MAT4: return 16;
        default: return 0;
    }
}

[[noreturn]] void Fail(int index, const char* what, const std::string& why) {
    throw GltfError("accessor " + std::to_string(index) + " (" + what + ") " + why);
}

// Bytes of one buffer view that a run of elements may be read from.
struct Span {
    const unsigned char* data = nullptr;
    std::size_t stride = 0;
};

// The bytes of `count` elements of `elementBytes` at `offset` in view
// `viewIndex`, checked to lie inside the view and the view inside its buffer.
Span ViewSpan(const GltfImport& in, int accessor, const char* what, int viewIndex, std::size_t offset,
              std::size_t count, std::size_t elementBytes, bool strided) {
    const tinygltf::Model& doc = in.doc;
    if (viewIndex < 0 || static_cast<std::size_t>(viewIndex) >= doc.bufferViews.size())
        Fail(accessor, what, "names buffer view " + std::to_string(viewIndex) + ", which does not exist");
    const tinygltf::BufferView& view = doc.bufferViews[static_cast<std::size_t>(viewIndex)];
    if (view.buffer < 0 || static_cast<std::size_t>(view.buffer) >= in.buffers.size())
        Fail(accessor, what, "lies in a buffer that does not exist");
    const GltfBuffer buffer = in.buffers[static_cast<std::size_t>(view.buffer)];
    const std::size_t bufferBytes = buffer.size();
    if (view.byteOffset > bufferBytes || view.byteLength > bufferBytes - view.byteOffset)
        Fail(accessor, what, "lies in buffer view " + std::to_string(viewIndex) + ", which runs past its buffer");
    const std::size_t stride = strided && view.byteStride != 0 ? view.byteStride : elementBytes;
    if (stride < elementBytes) Fail(accessor, what, "has elements wider than their stride");
    if (count == 0) return {buffer.data(), stride};
    // offset + stride * (count - 1) + elementBytes <= byteLength, without overflow.
    const std::size_t length = view.byteLength;
    if (offset > length || elementBytes > length - offset || count - 1 > (length - offset - elementBytes) / stride)
        Fail(accessor, what, "runs past the end of buffer view " + std::to_string(viewIndex));
    return {buffer.data() + view.byteOffset + offset, stride};
}

float Component(const unsigned char* p, int componentType, bool normalized) {
    switch (componentType) {
        case TINYGLTF_COMPONENT_TYPE_FLOAT: {
            float f;
            std::memcpy(&f, p, 4);
            return f;
        }
        case TINYGLTF_COMPONENT_TYPE_BYTE: {
            const auto v = static_cast<std::int8_t>(*p);
            return normalized ? std::max(v / 127.0f, -1.0f) : v;
        }
        case TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE: return normalized ? *p / 255.0f : *p;
        case TINYGLTF_COMPONENT_TYPE_SHORT: {
            std::int16_t v;
            std::memcpy(&v, p, 2);
            return normalized ? std::max(v / 32767.0f, -1.0f) : v;
        }
        case TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT: {
            std::uint16_t v;
            std::memcpy(&v, p, 2);
            return normalized ? v / 65535.0f : v;
        }
        case TINYGLTF_COMPONENT_TYPE_INT: {
            std::int32_t v;
            std::memcpy(&v, p, 4);
            return normalized ? std::max(static_cast<float>(v / 2147483647.0), -1.0f) : static_cast<float>(v);
        }
        default: {
            std::uint32_t v;
            std::memcpy(&v, p, 4);
            return normalized ? static_cast<float>(v / 4294967295.0) : static_cast<float>(v);
        }
    }
}

template <class T>
T ValueAt(const unsigned char* p) {
    T v;
    std::memcpy(&v, p, sizeof(T));
    return v;
}

template <class T>
float NormalizedAt(const unsigned char* p) {
    const T v = ValueAt<T>(p);
    // 32-bit values divide in double precision, as single precision rounds the divisor.
    float f;
    if constexpr (sizeof(T) == 4) f = static_cast<float>(v / static_cast<double>(std::numeric_limits<T>::max()));
    else f = v / static_cast<float>(std::numeric_limits<T>::max());
    if constexpr (std::is_signed_v<T>) f = std::max(f, -1.0f);
    return f;
}

// `count` elements of `n` components of type T, one type test for the whole run.
template <class T>
void DecodeRun(const Span& span, std::size_t count, std::size_t n, bool normalized, float* out) {
    // Packed elements are one run of values.
    const bool packed = span.stride == n * sizeof(T);
    const std::size_t runs = packed ? 1 : count, values = packed ? count * n : n;
    for (std::size_t e = 0; e < runs; ++e) {
        const unsigned char* p = span.data + e * span.stride;
        float* o = out + e * n;
        if (normalized) {
            for (std::size_t i = 0; i < values; ++i) o[i] = NormalizedAt<T>(p + i * sizeof(T));
        } else {
            for (std::size_t i = 0; i < values; ++i) o[i] = static_cast<float>(ValueAt<T>(p + i * sizeof(T)));
        }
    }
}

// `count` elements of `n` components of `componentType` at `span`, as floats.
void DecodeSpan(const Span& span, int componentType, std::size_t count, std::size_t n, bool normalized, float* out) {
    switch (componentType) {
        case TINYGLTF_COMPONENT_TYPE_FLOAT:
            // Floats as stored: whole elements copied, in one piece when packed.
            if (span.stride == n * sizeof(float)) {
                if (count) std::memcpy(out, span.data, count * n * sizeof(float));
            } else {
                for (std::size_t e = 0; e < count; ++e)
                    std::memcpy(out + e * n, span.data + e * span.stride, n * sizeof(float));
            }
            break;
        case TINYGLTF_COMPONENT_TYPE_BYTE: DecodeRun<std::int8_t>(span, count, n, normalized, out); break;
        case TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE: DecodeRun<std::uint8_t>(span, count, n, normalized, out); break;
        case TINYGLTF_COMPONENT_TYPE_SHORT: DecodeRun<std::int16_t>(span, count, n, normalized, out); break;
        case TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT: DecodeRun<std::uint16_t>(span, count, n, normalized, out); break;
        case TINYGLTF_COMPONENT_TYPE_INT: DecodeRun<std::int32_t>(span, count, n, normalized, out); break;
        default: DecodeRun<std::uint32_t>(span, count, n, normalized, out); break;
    }
}

std::uint32_t IndexAt(const unsigned char* p, int componentType) {
    if (componentType == TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE) return *p;
    if (componentType == TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT) {
        std::uint16_t v;
        std::memcpy(&v, p, 2);
        return v;
    }
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

const tinygltf::Accessor& Checked(const GltfImport& in, int index, const char* what) {
    if (index < 0 || static_cast<std::size_t>(index) >= in.doc.accessors.size())
        throw GltfError(std::string(what) + " names accessor " + std::to_string(index) + ", which does not exist");
    const tinygltf::Accessor& a = in.doc.accessors[static_cast<std::size_t>(index)];
    if (ComponentBytes(a.componentType) == 0) Fail(index, what, "has an unknown component type");
    if (TypeComponents(a.type) == 0) Fail(index, what, "has an unknown type");
    // Without a view every element is zero and costs memory of its own.
    if (a.count > in.sourceBytes)
        Fail(index, what, "declares " + std::to_string(a.count) + " elements, more than the file can hold");
    return a;
}

}  // namespace

std::size_t AccessorCount(const GltfImport& in, int index, const char* what) { return Checked(in, index, what).count; }

AccessorElements::AccessorElements(const GltfImport& in, int index, int components, const char* what) {
    const tinygltf::Accessor& a = Checked(in, index, what);
    components_ = static_cast<std::size_t>(components);
    count_ = a.count;
    stored_ = a.bufferView >= 0;
    if (a.sparse.isSparse || a.bufferView < 0 || TypeComponents(a.type) != components) {
        whole_ = ReadAccessorFloats(in, index, components, what);
        return;
    }
    const std::size_t elementBytes = static_cast<std::size_t>(ComponentBytes(a.componentType)) * components_;
    const Span span = ViewSpan(in, index, what, a.bufferView, a.byteOffset, a.count, elementBytes, true);
    data_ = span.data;
    stride_ = span.stride;
    componentType_ = a.componentType;
    normalized_ = a.normalized;
}

void AccessorElements::GetRun(std::size_t first, std::size_t count, float* out) const {
    if (!data_) {
        std::memcpy(out, whole_.data() + first * components_, count * components_ * sizeof(float));
        return;
    }
    DecodeSpan({data_ + first * stride_, stride_}, componentType_, count, components_, normalized_, out);
}

std::vector<float> ReadAccessorFloats(const GltfImport& in, int index, int components, const char* what) {
    std::vector<float> out(AccessorCount(in, index, what) * static_cast<std::size_t>(components));
    ReadAccessorFloatsInto(in, index, components, what, out.data());
    return out;
}

void ReadAccessorFloatsInto(const GltfImport& in, int index, int components, const char* what, float* out) {
    const tinygltf::Accessor& a = Checked(in, index, what);
    if (TypeComponents(a.type) != components)
        Fail(index, what,
             "has " + std::to_string(TypeComponents(a.type)) + " components where " + std::to_string(components) +
                 " are needed");
    const int bytes = ComponentBytes(a.componentType);
    const std::size_t elementBytes = static_cast<std::size_t>(bytes) * static_cast<std::size_t>(components);
    const std::size_t n = static_cast<std::size_t>(components);
    if (a.bufferView >= 0) {
        const Span span = ViewSpan(in, index, what, a.bufferView, a.byteOffset, a.count, elementBytes, true);
        DecodeSpan(span, a.componentType, a.count, n, a.normalized, out);
    } else {
        std::fill_n(out, a.count * n, 0.0f);
    }
    if (!a.sparse.isSparse) return;

    const auto& s = a.sparse;
    if (s.count < 0 || static_cast<std::size_t>(s.count) > a.count)
        Fail(index, what, "replaces more elements than it has");
    const int indexType = s.indices.componentType;
    if (indexType != TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE && indexType != TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT &&
        indexType != TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT)
        Fail(index, what, "has sparse indices of an unknown type");
    if (s.indices.byteOffset < 0 || s.values.byteOffset < 0) Fail(index, what, "has a negative sparse offset");
    const std::size_t count = static_cast<std::size_t>(s.count);
    const Span indices = ViewSpan(in, index, what, s.indices.bufferView, static_cast<std::size_t>(s.indices.byteOffset),
                                  count, static_cast<std::size_t>(ComponentBytes(indexType)), false);
    const Span values = ViewSpan(in, index, what, s.values.bufferView, static_cast<std::size_t>(s.values.byteOffset),
                                 count, elementBytes, false);
    for (std::size_t k = 0; k < count; ++k) {
        const std::uint32_t target = IndexAt(indices.data + k * indices.stride, indexType);
        if (target >= a.count) Fail(index, what, "replaces element " + std::to_string(target) + " past its end");
        for (std::size_t c = 0; c < n; ++c)
            out[target * n + c] = Component(values.data + k * values.stride + c * static_cast<std::size_t>(bytes),
                                            a.componentType, a.normalized);
    }
}

std::vector<std::uint32_t> ReadAccessorIndices(const GltfImport& in, int index, const char* what) {
    const tinygltf::Accessor& a = Checked(in, index, what);
    const int type = a.componentType;
    if (a.type != TINYGLTF_TYPE_SCALAR ||
        (type != TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE && type != TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT &&
         type != TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT)) {
        // Odd but readable: go through the general path.
        const std::vector<float> f = ReadAccessorFloats(in, index, 1, what);
        std::vector<std::uint32_t> out(f.size());
        for (std::size_t i = 0; i < f.size(); ++i)
            out[i] = f[i] >= 0.0f && f[i] < 4294967296.0f ? static_cast<std::uint32_t>(f[i]) : 0xffffffffu;
        return out;
    }
    if (a.sparse.isSparse || a.bufferView < 0) {
        const std::vector<float> f = ReadAccessorFloats(in, index, 1, what);
        return std::vector<std::uint32_t>(f.begin(), f.end());
    }
    const std::size_t bytes = static_cast<std::size_t>(ComponentBytes(type));
    const Span span = ViewSpan(in, index, what, a.bufferView, a.byteOffset, a.count, bytes, true);
    std::vector<std::uint32_t> out(a.count);
    if (type == TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT && span.stride == 4) {
        if (a.count) std::memcpy(out.data(), span.data, a.count * 4);
    } else {
        for (std::size_t i = 0; i < a.count; ++i) out[i] = IndexAt(span.data + i * span.stride, type);
    }
    return out;
}
