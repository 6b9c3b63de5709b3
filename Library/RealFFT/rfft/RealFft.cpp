#include "rfft/RealFft.h"

#include <cmath>
#include <numbers>
#include <utility>

namespace rfft {

namespace {

bool is_pow2(std::int32_t x)
{
    RFFT_REQUIRE(x > 0, "x > 0");
    return (x & (x - 1)) == 0;
}

int log2_of_pow2(std::int32_t x)
{
    int k = 0;
    while ((std::int32_t{1} << k) < x) {
        ++k;
    }
    return k;
}

} // namespace

template <class T>
RealFft<T>::RealFft(std::int32_t length, const AbortFlag* abort_flag)
    : length_(length)
    , abort_flag_(abort_flag)
{
    RFFT_REQUIRE(is_pow2(length), "is_pow2 (length)");
    bit_count_ = log2_of_pow2(length);
    RFFT_REQUIRE(bit_count_ <= MaxBitDepth, "bit_count <= MaxBitDepth");
    buffer_.resize(length_);
    init_bit_reversal();
    init_cosine_table();
    init_oscillators();
}

template <class T>
RealFft<T>::~RealFft() = default;

template <class T>
void RealFft<T>::init_bit_reversal()
{
    bit_reversal_.resize(length_);
    long* br = bit_reversal_.data();
    br[0] = 0;
    long index = 0;
    for (std::int32_t c = 1; c < length_; ++c) {
        // Increment in reversed bit order: carry runs from the top bit downwards.
        long bit = length_ >> 1;
        for (;;) {
            index ^= bit;
            if ((index & bit) != 0) {
                break;
            }
            bit >>= 1;
        }
        br[c] = index;
    }
}

template <class T>
void RealFft<T>::init_cosine_table()
{
    if (bit_count_ < 4) {
        return;
    }
    const std::int32_t size = (std::int32_t{1} << (bit_count_ - 1)) - 4;
    cosine_table_.resize(size);
    // Level L owns 2^(L-1) entries from index 2^(L-1) - 4: cos(i*pi/2^L).
    for (int level = 3; level < bit_count_; ++level) {
        const std::int32_t count = std::int32_t{1} << (level - 1);
        const std::int32_t start = count - 4;
        const double mul = std::numbers::pi / static_cast<double>(std::int32_t{1} << level);
        for (std::int32_t i = 0; i < count; ++i) {
            cosine_table_[start + i] = static_cast<T>(std::cos(i * mul));
        }
    }
}

template <class T>
void RealFft<T>::init_oscillators()
{
    if (bit_count_ <= TrigTableMaxLevel) {
        return;
    }
    oscillators_.resize(bit_count_ - TrigTableMaxLevel - 1);
    for (std::int32_t j = 0; j < oscillators_.size(); ++j) {
        const double angle = (std::numbers::pi / 2) / static_cast<double>(std::int64_t{1} << (TrigTableMaxLevel + j));
        oscillators_[j].set_step(angle);
    }
}

// ---------------------------------------------------------------------------------------
// Pass kernels. They are compiled twice, for plain x86-64 and for AVX2 machines, and the
// loader picks the fitting copy.

#if defined(__x86_64__) && defined(__GNUC__) && !defined(__clang__)
#define RFFT_KERNEL __attribute__((target_clones("arch=x86-64-v3", "default")))
#else
#define RFFT_KERNEL
#endif

namespace {

// Twiddle factors are handed to the butterflies in runs of this many.
constexpr long TwiddleRun = 64;
// An oscillator runs at most this many steps from an exact table value, which keeps its
// drift (a few 1e-17 per step) far below double precision.
constexpr long OscillatorSpan = 16;
// Levels below this are done block by block, each block small enough for the caches.
// At most TrigTableMaxLevel + 1, so that in-block levels take their twiddles from the table.
constexpr int BlockBits = 13;

using Flag = std::atomic<bool>;

inline bool raised(const Flag* flag)
{
    return flag != nullptr && flag->load(std::memory_order_relaxed);
}

// Levels 0, 1 and 2 for eight outputs: two four-point transforms of inputs taken in
// bit-reversed order, then the eight-point combination with cos(pi/4) = sin(pi/4).
inline __attribute__((always_inline)) void first_three_levels(double* __restrict d, const double* __restrict x,
                                                              const long* __restrict br)
{
    const double h = std::numbers::sqrt2 / 2;
    // Four-point transform (s0, s1, s2, s3) -> (s0+s1+s2+s3, s0-s2, s0+s2-s1-s3, s1-s3),
    // inputs stored in the order s0, s2, s1, s3.
    const double a0 = x[br[0]], a2 = x[br[1]], a1 = x[br[2]], a3 = x[br[3]];
    const double b0 = x[br[4]], b2 = x[br[5]], b1 = x[br[6]], b3 = x[br[7]];
    const double at0 = a0 + a2, at1 = a1 + a3;
    const double bt0 = b0 + b2, bt1 = b1 + b3;
    const double e0 = at0 + at1, e1 = a0 - a2, e2 = at0 - at1, e3 = a1 - a3;
    const double o0 = bt0 + bt1, o1 = b0 - b2, o2 = bt0 - bt1, o3 = b1 - b3;
    const double re = h * (o1 - o3);
    const double im = h * (o3 + o1);
    d[0] = e0 + o0;
    d[4] = e0 - o0;
    d[2] = e2;
    d[6] = o2;
    d[1] = e1 + re;
    d[3] = e1 - re;
    d[5] = e3 + im;
    d[7] = im - e3;
}

// The butterflies of one block of a general level, i = i0 ... i1-1 (0 < i < Q = H/2).
// The block holds two halves of H = 2^n coefficients, each the transform of a
// sub-sequence in the output layout (E: first half, O: second half). With
// W = exp(-i*pi/H) and T = W^i O_i:
//   Y_i     = E_i + T          -> Re at i,     -Im at H + i
//   Y_{H-i} = conj(E_i - T)    -> Re at H - i, -Im at 2H - i
// c[t] = cos((i0 + t) pi / H) and sn_rev[-t] = sin((i0 + t) pi / H).
inline __attribute__((always_inline)) void butterflies(double* __restrict d, const double* __restrict s, long H,
                                                       long i0, long i1, const double* __restrict c,
                                                       const double* __restrict sn_rev)
{
    const long Q = H >> 1;
    const long M = H << 1;
    const long count = i1 - i0;
    const double* __restrict er = s + i0;
    const double* __restrict ei = s + Q + i0;
    const double* __restrict orr = s + H + i0;
    const double* __restrict oi = s + H + Q + i0;
    double* __restrict d_lo = d + i0;
    double* __restrict d_hi = d + H + i0;
    double* __restrict d_lo_rev = d + H - i0;
    double* __restrict d_hi_rev = d + M - i0;
    for (long t = 0; t < count; ++t) {
        const double cc = c[t];
        const double ss = sn_rev[-t];
        const double re = cc * orr[t] - ss * oi[t];
        const double im = cc * oi[t] + ss * orr[t];
        d_lo[t] = er[t] + re;
        d_lo_rev[-t] = er[t] - re;
        d_hi[t] = ei[t] + im;
        d_hi_rev[-t] = im - ei[t];
    }
}

inline __attribute__((always_inline)) void block_ends(double* __restrict d, const double* __restrict s, long H)
{
    const long Q = H >> 1;
    d[0] = s[0] + s[H];
    d[H] = s[0] - s[H];
    d[Q] = s[Q];
    d[H + Q] = s[H + Q];
}

// A small level with its block size known at compile time, so the loop unrolls.
template <long H>
inline __attribute__((always_inline)) void small_level(double* __restrict d, const double* __restrict s, long count,
                                                       const double* __restrict tab)
{
    constexpr long Q = H / 2;
    const double* c = tab + (Q - 4);
    for (long p = 0; p < count; p += 2 * H) {
        block_ends(d + p, s + p, H);
        butterflies(d + p, s + p, H, 1, Q, c + 1, c + Q - 1);
    }
}

// Two levels n and n+1 in place on one block of 4H coefficients (H = 2^n, Q = H/2).
// Level n turns the quarters into two transforms of 2H; level n+1 combines them. The
// index i of level n feeds indices i and H - i of level n+1, and i together with its
// partner Q - i reads exactly the sixteen positions it writes, so the pair of levels
// needs one sweep instead of two and no second array. This part handles
// i = i0 ... i1-1 within 1 ... Q/2 (i = Q/2 is its own partner).
// Twiddles (Tw): c1/s1(i) = cos/sin(i pi / H); c2/s2(i) = cos/sin(i pi / 2H);
// c3/s3(i) = cos/sin((Q - i) pi / 2H).
template <class Tw>
inline __attribute__((always_inline)) void fused_pair(double* d, long H, long i0, long i1, const Tw& tw)
{
    const long Q = H >> 1;
    const long H2 = 2 * H;
    const long H3 = 3 * H;
    const long H4 = 4 * H;
#pragma GCC ivdep
    for (long i = i0; i < i1; ++i) {
        const long k = Q - i;
        // Everything is read before anything is written.
        const double a_er = d[i], a_ei = d[Q + i], a_or = d[H + i], a_oi = d[H + Q + i];
        const double b_er = d[H2 + i], b_ei = d[H2 + Q + i], b_or = d[H3 + i], b_oi = d[H3 + Q + i];
        const double p_er = d[k], p_ei = d[Q + k], p_or = d[H + k], p_oi = d[H + Q + k];
        const double q_er = d[H2 + k], q_ei = d[H2 + Q + k], q_or = d[H3 + k], q_oi = d[H3 + Q + k];
        const double c1 = tw.c1(i), s1 = tw.s1(i);
        const double c2 = tw.c2(i), s2 = tw.s2(i);
        const double c3 = tw.c3(i), s3 = tw.s3(i);

        // Level n at i (twiddle c1, s1) on both halves.
        double re = c1 * a_or - s1 * a_oi;
        double im = c1 * a_oi + s1 * a_or;
        const double A_i = a_er + re, A_hmi = a_er - re, A_hpi = a_ei + im, A_2hmi = im - a_ei;
        re = c1 * b_or - s1 * b_oi;
        im = c1 * b_oi + s1 * b_or;
        const double B_i = b_er + re, B_hmi = b_er - re, B_hpi = b_ei + im, B_2hmi = im - b_ei;
        // Level n at k = Q - i (twiddle s1, c1).
        re = s1 * p_or - c1 * p_oi;
        im = s1 * p_oi + c1 * p_or;
        const double A_k = p_er + re, A_hmk = p_er - re, A_hpk = p_ei + im, A_2hmk = im - p_ei;
        re = s1 * q_or - c1 * q_oi;
        im = s1 * q_oi + c1 * q_or;
        const double B_k = q_er + re, B_hmk = q_er - re, B_hpk = q_ei + im, B_2hmk = im - q_ei;

        // Level n+1 at i (c2, s2), H - i (s2, c2), k (c3, s3) and H - k (s3, c3).
        re = c2 * B_i - s2 * B_hpi;
        im = c2 * B_hpi + s2 * B_i;
        const double y0 = A_i + re, y1 = A_i - re, y2 = A_hpi + im, y3 = im - A_hpi;
        re = s2 * B_hmi - c2 * B_2hmi;
        im = s2 * B_2hmi + c2 * B_hmi;
        const double y4 = A_hmi + re, y5 = A_hmi - re, y6 = A_2hmi + im, y7 = im - A_2hmi;
        re = c3 * B_k - s3 * B_hpk;
        im = c3 * B_hpk + s3 * B_k;
        const double z0 = A_k + re, z1 = A_k - re, z2 = A_hpk + im, z3 = im - A_hpk;
        re = s3 * B_hmk - c3 * B_2hmk;
        im = s3 * B_2hmk + c3 * B_hmk;
        const double z4 = A_hmk + re, z5 = A_hmk - re, z6 = A_2hmk + im, z7 = im - A_2hmk;

        d[i] = y0;
        d[H2 - i] = y1;
        d[H2 + i] = y2;
        d[H4 - i] = y3;
        d[H - i] = y4;
        d[H + i] = y5;
        d[H3 - i] = y6;
        d[H3 + i] = y7;
        d[k] = z0;
        d[H2 - k] = z1;
        d[H2 + k] = z2;
        d[H4 - k] = z3;
        d[H - k] = z4;
        d[H + k] = z5;
        d[H3 - k] = z6;
        d[H3 + k] = z7;
    }
}

// Index 0 of level n with index Q of level n+1 (and the copies of both levels'
// index-0 partners): positions 0, Q, H, H+Q, 2H, 2H+Q, 3H, 3H+Q of a block of 4H.
inline __attribute__((always_inline)) void fused_pair_ends(double* d, long H)
{
    const double h = std::numbers::sqrt2 / 2;
    const long Q = H >> 1;
    const double A0 = d[0], AH = d[H], AQ = d[Q], AHQ = d[H + Q];
    const double B0 = d[2 * H], BH = d[3 * H], BQ = d[2 * H + Q], BHQ = d[3 * H + Q];
    const double a0 = A0 + AH, aH = A0 - AH;
    const double b0 = B0 + BH, bH = B0 - BH;
    const double re = h * (BQ - BHQ);
    const double im = h * (BHQ + BQ);
    d[0] = a0 + b0;
    d[2 * H] = a0 - b0;
    d[H] = aH;
    d[3 * H] = bH;
    d[Q] = AQ + re;
    d[H + Q] = AQ - re;
    d[2 * H + Q] = AHQ + im;
    d[3 * H + Q] = im - AHQ;
}

// Twiddles straight from the cosine table (levels n and n+1 both within it).
struct TableTwiddles {
    const double* tn;  // level n entries
    const double* tn1; // level n+1 entries
    long Q;
    long H;
    double c1(long i) const { return tn[i]; }
    double s1(long i) const { return tn[Q - i]; }
    double c2(long i) const { return tn1[i]; }
    double s2(long i) const { return tn1[H - i]; }
    double c3(long i) const { return tn1[Q - i]; }
    double s3(long i) const { return tn1[Q + i]; }
};

// Twiddles of one run i = i0 ... made beforehand (oscillator levels).
struct RunTwiddles {
    const double* C1;
    const double* S1;
    const double* C2;
    const double* S2;
    const double* C3;
    const double* S3;
    long i0;
    double c1(long i) const { return C1[i - i0]; }
    double s1(long i) const { return S1[i - i0]; }
    double c2(long i) const { return C2[i - i0]; }
    double s2(long i) const { return S2[i - i0]; }
    double c3(long i) const { return C3[i - i0]; }
    double s3(long i) const { return S3[i - i0]; }
};

template <long H>
inline __attribute__((always_inline)) void small_pair(double* d, long count, const double* tab)
{
    constexpr long Q = H / 2;
    const TableTwiddles tw{tab + (Q - 4), tab + (H - 4), Q, H};
    for (long p = 0; p < count; p += 4 * H) {
        fused_pair_ends(d + p, H);
        fused_pair(d + p, H, 1, Q / 2 + 1, tw);
    }
}

RFFT_KERNEL void fused_run_kernel(double* d, long length, long H, long i0, long i1, const RunTwiddles& tw)
{
    for (long p = 0; p < length; p += 4 * H) {
        fused_pair(d + p, H, i0, i1, tw);
    }
}

// Levels 0 ... b-1 of the blocks of 2^b coefficients, one block after the other, each
// carried through all of them while it sits in the cache. Blocks are taken in the order
// of their first input (block q starts at x[bitrev(q)]), so neighbouring blocks share
// the input's cache lines. Level L's result lies in `even` for odd L and in `odd` for
// even L, as in the plain level-by-level order. The abort flag is read after every level
// of every block; false when it stopped the work.
RFFT_KERNEL bool first_levels_kernel(double* even, double* odd, const double* x, const long* br, const double* tab,
                                     int k, int b, const Flag* abort)
{
    const long block = long{1} << b;
    const long blocks = long{1} << (k - b);
    for (long o = 0; o < blocks; ++o) {
        const long base = (br[o] >> b) << b; // block whose first input is x[o]
        double* ev = even + base;
        double* od = odd + base;
        for (long p = 0; p < block; p += 8) {
            first_three_levels(od + p, x + o, br + p);
        }
        if (raised(abort)) {
            return false;
        }
        // Levels 3 ... b-1: one single level when their count is odd, then pairs in place.
        double* cur = od;
        int level = 3;
        if ((b - 3) % 2 == 1) {
            small_level<8>(ev, od, block, tab);
            cur = ev;
            level = 4;
            if (raised(abort)) {
                return false;
            }
        }
        for (; level + 1 < b; level += 2) {
            // The smallest pairs get their block size at compile time, so they unroll.
            switch (level) {
            case 3:
                small_pair<8>(cur, block, tab);
                break;
            case 4:
                small_pair<16>(cur, block, tab);
                break;
            case 5:
                small_pair<32>(cur, block, tab);
                break;
            default: {
                const long H = long{1} << level;
                const long Q = H >> 1;
                const TableTwiddles tw{tab + (Q - 4), tab + (H - 4), Q, H};
                for (long p = 0; p < block; p += 4 * H) {
                    fused_pair_ends(cur + p, H);
                    fused_pair(cur + p, H, 1, Q / 2 + 1, tw);
                }
                break;
            }
            }
            if (raised(abort)) {
                return false;
            }
        }
    }
    return true;
}

// Twiddles cos/sin(i pi / 2^level) for i = first ... first+count-1 from the level's
// oscillator.
// Every OscillatorSpan steps the oscillator restarts from the exact value in the cosine
// table (which holds every level); several copies run side by side.
template <class Osc>
void oscillator_twiddles(const Osc& level_osc, const double* tab, long Q, long first, long count, double* tw_cos,
                         double* tw_sin)
{
    constexpr int Lanes = static_cast<int>(TwiddleRun / OscillatorSpan);
    Osc osc[Lanes];
    for (int l = 0; l < Lanes; ++l) {
        osc[l] = level_osc;
        const long i = first + l * OscillatorSpan;
        if (i < first + count) {
            osc[l].seed(tab[i], tab[Q - i]);
        }
    }
    for (long t = 0; t < OscillatorSpan; ++t) {
        for (int l = 0; l < Lanes; ++l) {
            const long pos = l * OscillatorSpan + t;
            if (pos < count) {
                tw_cos[pos] = osc[l].get_cos();
                tw_sin[pos] = osc[l].get_sin();
            }
            osc[l].step();
        }
    }
}

// The butterflies of one run of twiddles for every block of a level.
RFFT_KERNEL void level_run_kernel(double* d, const double* s, long length, long H, long i0, long i1,
                                  const double* c, const double* sn_rev)
{
    for (long p = 0; p < length; p += 2 * H) {
        butterflies(d + p, s + p, H, i0, i1, c, sn_rev);
    }
}

} // namespace

template <class T>
bool RealFft<T>::first_levels(T* even, T* odd, const T* x)
{
    const int b = bit_count_ < BlockBits ? bit_count_ : BlockBits;
    return first_levels_kernel(even, odd, x, bit_reversal_.data(), cosine_table_.data(), bit_count_, b, abort_flag_);
}

// One general level over the whole array, twiddle run by twiddle run: each run of
// factors is made once and used for every block.
template <class T>
void RealFft<T>::level_pass(T* dst, const T* src, int level) const
{
    const long H = long{1} << level;
    const long Q = H >> 1;
    const long M = H << 1;
    for (long p = 0; p < length_; p += M) {
        block_ends(dst + p, src + p, H);
    }
    const T* tab = cosine_table_.data() + (Q - 4);
    alignas(64) T tw_cos[TwiddleRun];
    alignas(64) T tw_sin[TwiddleRun];
    alignas(64) T tw_tmp[TwiddleRun];
    for (long i0 = 1; i0 < Q; i0 += TwiddleRun) {
        const long i1 = (Q - i0 > TwiddleRun) ? i0 + TwiddleRun : Q;
        if (level <= TrigTableMaxLevel) {
            level_run_kernel(dst, src, length_, H, i0, i1, tab + i0, tab + Q - i0);
        } else {
            oscillator_twiddles(oscillators_[level - TrigTableMaxLevel - 1], tab, Q, i0, i1 - i0, tw_cos, tw_tmp);
            for (long t = 0; t < i1 - i0; ++t) {
                tw_sin[TwiddleRun - 1 - t] = tw_tmp[t];
            }
            level_run_kernel(dst, src, length_, H, i0, i1, tw_cos, tw_sin + TwiddleRun - 1);
        }
    }
}

// cos/sin(i pi / 2^level) for i = first ... first+count-1, from the table or the oscillator.
template <class T>
void RealFft<T>::twiddle_run(int level, long first, long count, T* tw_cos, T* tw_sin) const
{
    const long Q = long{1} << (level - 1);
    const T* tab = cosine_table_.data() + (Q - 4);
    if (level <= TrigTableMaxLevel) {
        for (long t = 0; t < count; ++t) {
            tw_cos[t] = tab[first + t];
            tw_sin[t] = tab[Q - first - t];
        }
    } else {
        oscillator_twiddles(oscillators_[level - TrigTableMaxLevel - 1], tab, Q, first, count, tw_cos, tw_sin);
    }
}

// Levels n and n+1 in place over the whole array, run of twiddles by run. Returns false
// when the abort flag stopped it (checked after every run).
template <class T>
bool RealFft<T>::pair_pass(T* d, int level) const
{
    const long H = long{1} << level;
    const long Q = H >> 1;
    for (long p = 0; p < length_; p += 4 * H) {
        fused_pair_ends(d + p, H);
    }
    alignas(64) T c1[TwiddleRun], s1[TwiddleRun], c2[TwiddleRun], s2[TwiddleRun];
    alignas(64) T c3[TwiddleRun], s3[TwiddleRun], tc[TwiddleRun], ts[TwiddleRun];
    const long last = Q / 2; // inclusive
    for (long i0 = 1; i0 <= last; i0 += TwiddleRun) {
        const long i1 = (last + 1 - i0 > TwiddleRun) ? i0 + TwiddleRun : last + 1;
        const long count = i1 - i0;
        twiddle_run(level, i0, count, c1, s1);
        twiddle_run(level + 1, i0, count, c2, s2);
        // Level n+1 at Q - i for i = i0 ... i1-1: a descending run.
        twiddle_run(level + 1, Q - i1 + 1, count, tc, ts);
        for (long t = 0; t < count; ++t) {
            c3[t] = tc[count - 1 - t];
            s3[t] = ts[count - 1 - t];
        }
        const RunTwiddles tw{c1, s1, c2, s2, c3, s3, i0};
        fused_run_kernel(d, length_, H, i0, i1, tw);
        if (stop_requested()) {
            return false;
        }
    }
    return true;
}

template <class T>
void RealFft<T>::forward_fft(T* f, const T* x)
{
    RFFT_REQUIRE(f != nullptr, "f != 0");
    RFFT_REQUIRE(x != nullptr, "x != 0");
    RFFT_REQUIRE(f != scratch(), "f != scratch ()");
    RFFT_REQUIRE(x != scratch(), "x != scratch ()");
    RFFT_REQUIRE(f != x, "f != x");

    switch (bit_count_) {
    case 0:
        f[0] = x[0];
        return;
    case 1:
        f[0] = x[0] + x[1];
        f[1] = x[0] - x[1];
        return;
    case 2: {
        const T t0 = x[0] + x[2];
        const T t1 = x[1] + x[3];
        f[1] = x[0] - x[2];
        f[3] = x[1] - x[3];
        f[0] = t0 + t1;
        f[2] = t0 - t1;
        return;
    }
    default:
        break;
    }

    // The levels alternate between f and the scratch buffer; starting on the right one
    // makes the last level land in f.
    T* even = (bit_count_ & 1) ? scratch() : f;
    T* odd = (bit_count_ & 1) ? f : scratch();
    if (!first_levels(even, odd, x)) {
        return;
    }
    const int b = bit_count_ < BlockBits ? bit_count_ : BlockBits;
    // Level b-1 wrote `even` when b-1 is odd.
    T* src = ((b - 1) & 1) ? even : odd;
    T* dst = ((b - 1) & 1) ? odd : even;
    int level = b;
    // Levels b ... k-1: one single level when their count is odd, then pairs in place.
    if ((bit_count_ - b) % 2 == 1) {
        level_pass(dst, src, level);
        if (stop_requested()) {
            return;
        }
        src = dst;
        ++level;
    }
    for (; level + 1 < bit_count_; level += 2) {
        if (!pair_pass(src, level)) {
            return;
        }
    }
}

template class RealFft<double>;

} // namespace rfft
