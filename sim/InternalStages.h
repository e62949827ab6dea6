#pragma once
// The Runge-Kutta stages of one internal coordinate q (a spring's extension, a differential's
// angle), run beside the rigid motion with the same weights:
//     stage s < 3:  q[s+1] = q[0] + w_s dq[s],  rate[s+1] = rate[0] + w_s drate[s],  w = 1/2, 1/2, 1
//     stage 3:      q[0] += (dq0 + 2 dq1 + 2 dq2 + dq3) / 6, and the same for the rate.
// rateIncrement[s] holds h * (acceleration of stage s) when this is called.
namespace korvan {

inline void AdvanceInternalStage(int s, double h, double* q, double* rate, double* rateIncrement,
                                 double* dq) {
    static constexpr double kWeight[3] = {0.5, 0.5, 1.0};
    dq[s] = rate[s] * h;
    if (s < 3) {
        rate[s + 1] = rate[0] + kWeight[s] * rateIncrement[s];
        q[s + 1] = q[0] + kWeight[s] * dq[s];
        return;
    }
    rate[0] += (rateIncrement[0] + 2 * rateIncrement[1] + 2 * rateIncrement[2] + rateIncrement[3]) / 6;
    q[0] += (dq[0] + 2 * dq[1] + 2 * dq[2] + dq[3]) / 6;
}

}  // namespace korvan
