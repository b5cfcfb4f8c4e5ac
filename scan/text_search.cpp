#include "scan/text_search.h"

#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace tvn {

namespace {

struct Text {
    const BYTE* base;
    size_t starts;  // positions at which the text fits
    std::string_view text;
    std::vector<uint32_t>* out;  // every start goes here; without it, the first ends the search
    uint32_t add;
    const BYTE* first = nullptr;  // the first start, when out is null

    // Compares the whole text at each position a mask's bits name; true once
    // the search is over.
    bool Check(size_t at, uint64_t mask) {
        while (mask != 0) {
            const size_t hit = at + static_cast<size_t>(__builtin_ctzll(mask));
            if (std::memcmp(base + hit, text.data(), text.size()) == 0) {
                if (out == nullptr) {
                    first = base + hit;
                    return true;
                }
                out->push_back(add + static_cast<uint32_t>(hit));
            }
            mask &= mask - 1;
        }
        return false;
    }

    // One position at a time, from at on.
    void Rest(size_t at) {
        const auto f = static_cast<BYTE>(text.front());
        const auto l = static_cast<BYTE>(text.back());
        const size_t n = text.size();
        for (; at < starts; ++at) {
            if (base[at] == f && base[at + n - 1] == l && Check(at, 1)) return;
        }
    }
};

#if defined(__x86_64__)

// 64 positions a round: the first bytes of those positions and their last
// bytes (n - 1 further on) against the text's first and last byte. The last
// byte of the round's last position is at + 63 + n - 1, inside the data while
// at + 64 <= starts.
__attribute__((target("avx2"))) void FindAvx2(Text& t) {
    const size_t last = t.text.size() - 1;
    const __m256i f = _mm256_set1_epi8(t.text.front());
    const __m256i l = _mm256_set1_epi8(t.text.back());
    size_t at = 0;
    for (; at + 64 <= t.starts; at += 64) {
        const auto* p = reinterpret_cast<const __m256i*>(t.base + at);
        const auto* q = reinterpret_cast<const __m256i*>(t.base + at + last);
        const __m256i m0 = _mm256_and_si256(_mm256_cmpeq_epi8(_mm256_loadu_si256(p), f),
                                            _mm256_cmpeq_epi8(_mm256_loadu_si256(q), l));
        const __m256i m1 = _mm256_and_si256(_mm256_cmpeq_epi8(_mm256_loadu_si256(p + 1), f),
                                            _mm256_cmpeq_epi8(_mm256_loadu_si256(q + 1), l));
        const __m256i any = _mm256_or_si256(m0, m1);
        if (_mm256_testz_si256(any, any)) continue;
        if (t.Check(at, static_cast<uint32_t>(_mm256_movemask_epi8(m0)) |
                            uint64_t{static_cast<uint32_t>(_mm256_movemask_epi8(m1))} << 32)) {
            return;
        }
    }
    t.Rest(at);
}

void FindSse2(Text& t) {
    const size_t last = t.text.size() - 1;
    const __m128i f = _mm_set1_epi8(t.text.front());
    const __m128i l = _mm_set1_epi8(t.text.back());
    size_t at = 0;
    for (; at + 64 <= t.starts; at += 64) {
        __m128i m[4];
        for (size_t k = 0; k < 4; ++k) {
            const BYTE* p = t.base + at + 16 * k;
            m[k] = _mm_and_si128(
                _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), f),
                _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p + last)), l));
        }
        const __m128i any = _mm_or_si128(_mm_or_si128(m[0], m[1]), _mm_or_si128(m[2], m[3]));
        if (_mm_movemask_epi8(any) == 0) continue;
        uint64_t mask = 0;
        for (size_t k = 0; k < 4; ++k) {
            mask |= uint64_t{static_cast<uint32_t>(_mm_movemask_epi8(m[k]))} << (16 * k);
        }
        if (t.Check(at, mask)) return;
    }
    t.Rest(at);
}

bool HaveAvx2() {
    static const bool have = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("avx2") != 0;
    }();
    return have;
}

#endif

void Search(TextSearchKind kind, Text& t) {
    switch (kind) {
#if defined(__x86_64__)
    case TextSearchKind::Avx2: FindAvx2(t); break;
    case TextSearchKind::Sse2: FindSse2(t); break;
#endif
    default: t.Rest(0); break;
    }
}

TextSearchKind Best() {
#if defined(__x86_64__)
    return HaveAvx2() ? TextSearchKind::Avx2 : TextSearchKind::Sse2;
#else
    return TextSearchKind::OneByOne;
#endif
}

}  // namespace

bool FindTextUsing(TextSearchKind kind, std::span<const BYTE> data, std::string_view text,
                   std::vector<uint32_t>& starts, uint32_t base) {
#if defined(__x86_64__)
    if (kind == TextSearchKind::Avx2 && !HaveAvx2()) return false;
#else
    if (kind != TextSearchKind::OneByOne) return false;
#endif
    if (text.empty() || text.size() > data.size()) return true;
    Text t{data.data(), data.size() - text.size() + 1, text, &starts, base};
    Search(kind, t);
    return true;
}

void FindText(std::span<const BYTE> data, std::string_view text, std::vector<uint32_t>& starts,
              uint32_t base) {
    FindTextUsing(Best(), data, text, starts, base);
}

const BYTE* FindFirstText(std::span<const BYTE> data, std::string_view text) {
    if (text.empty() || text.size() > data.size()) return nullptr;
    Text t{data.data(), data.size() - text.size() + 1, text, nullptr, 0};
    Search(Best(), t);
    return t.first;
}

}  // namespace tvn
