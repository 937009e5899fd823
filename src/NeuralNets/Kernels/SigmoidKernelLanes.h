// The double-double sigmoid over the lanes of one instruction set. Included by SigmoidKernel.cpp
// once for each set, inside that set's namespace and target region, after the set's TLanes,
// TMask and TIndex types and operations on them; so each set compiles the same steps, and no
// include guard.

// The outputs of the kLanes net inputs x; `lanes` has the bits of the lanes to write. Inlined,
// so that only ApplyVectorized, whose interface holds no vectors, leaves the vector unit (and
// clears the upper halves of its registers for the code around it).
[[gnu::always_inline]] inline void ApplyLanes(TLanes x, int lanes, double* outputs,
                                              const TPowerTable& table) {
    const TMask floor = Less(x, Splat(kFloorLimit));
    const TMask one = GreaterEqual(x, Splat(kOneLimit));
    // Neither, nor a NaN.
    const TMask ordinary = AndNot(one, GreaterEqual(x, Splat(kFloorLimit)));
    // The other lanes compute nonsense that is never used; the table index stays in the table.
    const TLanes u = Subtract(Splat(0.0), x);

    // u = k ln2/1024 + r. rh is r1 - p2 rounded once, taken by the fused operation so that
    // the two-sum of its error runs beside the main chain.
    const TLanes shifter = Splat(0x1.8p52);
    const TLanes shifted = MultiplyAdd(u, Splat(0x1.71547652b82fep+10), shifter);
    const TLanes kd = Subtract(shifted, shifter);
    const TIndex k = IndexSubtract(AsIndex(shifted), AsIndex(shifter));
    const TLanes r1 = NegatedMultiplyAdd(kd, Splat(0x1.62e42feep-11), u);
    const TLanes p2 = Multiply(kd, Splat(0x1.a39ef356p-43));
    const TLanes rh = NegatedMultiplyAdd(kd, Splat(0x1.a39ef356p-43), r1);
    const TLanes rb = Subtract(rh, r1);
    const TLanes re = Add(Subtract(r1, Subtract(rh, rb)), Subtract(Subtract(Splat(0.0), p2), rb));
    const TLanes rl = NegatedMultiplyAdd(kd, Splat(0x1.93c7673007e5fp-75), re);

    // e^r - 1 - r = rh^2 (1/2 + rh/6) + rh^4 (1/24 + rh/120), plus the part of rl.
    const TLanes r2 = Multiply(rh, rh);
    const TLanes low = MultiplyAdd(rh, Splat(1.0 / 6), Splat(0.5));
    const TLanes high = MultiplyAdd(rh, Splat(1.0 / 120), Splat(1.0 / 24));
    const TLanes q = MultiplyAdd(Multiply(r2, r2), high, Multiply(r2, low));
    const TLanes wl = Add(rl, q);

    // e^u = 2^(k >> 10) T[k & 1023] (1 + rh + wl), the power of two applied to the table
    // entry (exactly) while the polynomial is evaluated.
    const TIndex j = IndexAnd(k, kTableSize - 1);
    // k + 1023 * 1024 is positive, so a logical shift divides it by 1024 rounding down.
    const TIndex exponent = ShiftRight(IndexAdd(k, 1023 * kTableSize), kTableBits);
    const TLanes scale = AsLanes(ShiftLeft(exponent, 52));
    const TLanes th = Multiply(Gather(table.hi.data(), j), scale);
    const TLanes tl = Multiply(Gather(table.lo.data(), j), scale);
    const TLanes ah = MultiplyAdd(th, rh, th);
    const TLanes al = MultiplyAdd(th, rh, Subtract(th, ah));
    const TLanes el = Add(al, MultiplyAdd(th, wl, MultiplyAdd(tl, rh, tl)));
    const TLanes eh = Add(ah, el);
    const TLanes elo = Subtract(el, Subtract(eh, ah));

    // 1 / (1 + e^u).
    const TLanes sh = Add(Splat(1.0), eh);
    const TLanes y0 = Divide(Splat(1.0), sh);
    const TLanes sb = Subtract(sh, Splat(1.0));
    const TLanes se = Add(Subtract(Splat(1.0), Subtract(sh, sb)), Subtract(eh, sb));
    const TLanes sl = Add(se, elo);
    const TLanes rho = NegatedMultiplyAdd(sl, y0, NegatedMultiplyAdd(sh, y0, Splat(1.0)));
    const TLanes yl = Multiply(y0, rho);

    const TLanes margin = Multiply(y0, Splat(kMargin));
    const TLanes below = Add(y0, Subtract(yl, margin));
    const TLanes above = Add(y0, Add(yl, margin));
    const TMask decided = Or(Or(floor, one), And(ordinary, Equal(below, above)));
    const TLanes result = Select(one, Splat(1.0), Select(floor, Splat(kFloorValue), below));

    constexpr int kAllLanes = (1 << kLanes) - 1;
    if (lanes == kAllLanes) {
        Store(outputs, result);
    } else {
        // Lane by lane: a later load of one output is then served by its own store.
        double results[kLanes];
        Store(results, result);
        for (int lane = 0; lane < kLanes && ((lanes >> lane) & 1) != 0; ++lane) {
            outputs[lane] = results[lane];
        }
    }
    const int undecided = (MaskBits(decided) ^ kAllLanes) & lanes;
    if (undecided == 0) {
        return;
    }
    double inputs[kLanes];
    Store(inputs, x);
    for (int lane = 0; lane < kLanes; ++lane) {
        if (((undecided >> lane) & 1) != 0) {
            outputs[lane] = Plain(inputs[lane]);
        }
    }
}

void ApplyVectorized(const double* netInputs, double* outputs, std::int32_t count) {
    const TPowerTable& table = PowerTable();
    std::int32_t i = 0;
    for (; i + kLanes <= count; i += kLanes) {
        ApplyLanes(Load(netInputs + i), (1 << kLanes) - 1, outputs + i, table);
    }
    if (i < count) {
        // The lanes past the end are 0.0 and not written.
        const std::int32_t left = count - i;
        ApplyLanes(LoadFirst(netInputs + i, left), (1 << left) - 1, outputs + i, table);
    }
}
