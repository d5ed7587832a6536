#include "documents/FrameSizes.h"

#include <algorithm>

namespace {

int32_t Clamp(int32_t v) {
    return std::max<int32_t>(0, std::min(v, kMaxFrameSizeValue));
}

// a * b / c in 64 bits; 0 when c is 0 (a "0*" or "0%" list sums to 0).
int32_t Scaled(int64_t a, int64_t b, int64_t c) {
    return c == 0 ? 0 : static_cast<int32_t>(a * b / c);
}

}  // namespace

void NormaliseFramePercentages(FrameSpan* spans, int count) {
    int64_t sum = 0;
    for (int i = 0; i < count; ++i) {
        if (spans[i].unit == kFramePercent) sum += Clamp(spans[i].value);
    }
    if (sum <= 100) return;
    for (int i = 0; i < count; ++i) {
        if (spans[i].unit == kFramePercent) spans[i].value = Scaled(Clamp(spans[i].value), 100, sum);
    }
}

void DivideFrameLength(FrameSpan* spans, int count, int32_t length, int32_t border) {
    if (count <= 0) return;
    border = std::max<int32_t>(0, std::min(border, 10000));
    // No screen is this large; the bound keeps every position in range.
    int64_t L = std::max<int32_t>(0, std::min<int32_t>(length, 1 << 24));
    int64_t P = 0, Q = 0, percentPixels = 0;
    int np = 0, nr = 0;
    for (int i = 0; i < count; ++i) {
        FrameSpan& s = spans[i];
        s.value = Clamp(s.value);
        if (s.unit == kFramePixels) {
            P += s.value;
            ++np;
        } else if (s.unit == kFramePercent) {
            Q += s.value;
            percentPixels += s.value * L / 100;
        } else {
            ++nr;
        }
    }
    const int npc = count - nr - np;
    const int64_t U = P + percentPixels;
    const int64_t gap = 2 * static_cast<int64_t>(border);
    if (count > 1) L = std::max<int64_t>(0, L - (count - 1) * gap);

    int64_t bpx = (P > L || np == count) ? L : P;
    int64_t bpc = std::min(Q * L / 100, std::max<int64_t>(0, L - bpx));
    if (npc > 0 && bpc / npc < 25 && np > 0) {
        int64_t m = std::min<int64_t>(25 * npc, bpx / 2);
        bpx -= m;
        bpc += m;
    }
    if (nr > 0 && (L - bpx - bpc) / nr < 25) {
        if (npc > 0)
            bpc -= std::min<int64_t>(25 * nr, bpc / 2);
        else
            bpx -= std::min<int64_t>(25 * nr, bpx / 2);
    }
    int64_t spare = nr == 0 ? L - U : 0;

    int64_t used = 0, relativeSum = 0;
    for (int k = 1; k <= count; ++k) {
        FrameSpan& s = spans[k - 1];
        int64_t size = 0;
        if (s.unit == kFrameRelative) {
            relativeSum += s.value;
            s.size = 0;
            continue;
        }
        if (k == count && nr == 0) {
            size = L - used;
        } else {
            int64_t share = 0;
            if (spare != 0 && (L < P || s.unit == kFramePercent)) {
                int64_t m = count - k + 1 - nr - (L >= P ? np : 0);
                share = m > 0 ? spare / m : 0;
                spare -= share;
            }
            size = s.unit == kFramePixels ? Scaled(s.value, bpx, P) : Scaled(s.value, bpc, Q);
            size += share;
        }
        if (size < 0) {
            spare += size;
            size = 0;
        }
        s.size = static_cast<int32_t>(std::min<int64_t>(size, INT32_MAX / 2));
        used += s.size;
    }
    if (nr > 0 && used < L) {
        int64_t rest = L - used;
        int64_t given = 0;
        int last = -1;
        for (int i = 0; i < count; ++i) {
            if (spans[i].unit == kFrameRelative) last = i;
        }
        for (int i = 0; i < count; ++i) {
            FrameSpan& s = spans[i];
            if (s.unit != kFrameRelative) continue;
            // Relative values that all read 0 share the rest alike.
            int64_t part = relativeSum > 0 ? rest * s.value / relativeSum : rest / nr;
            if (i == last) part = rest - given;
            s.size = static_cast<int32_t>(part);
            given += part;
        }
    }
    int64_t position = 0;
    for (int i = 0; i < count; ++i) {
        spans[i].position = static_cast<int32_t>(std::min<int64_t>(position, INT32_MAX / 2));
        position += spans[i].size + gap;
    }
}
