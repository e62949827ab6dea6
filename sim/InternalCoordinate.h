#pragma once
// One internal degree of freedom of a body (a spring's extension, a differential's angle), with
// its Runge-Kutta stages run beside the rigid motion with the same weights:
//     stage s < 3:  q[s+1] = q[0] + w_s dq[s],  rate[s+1] = rate[0] + w_s drate[s],  w = 1/2, 1/2, 1
//     stage 3:      q[0] += (dq0 + 2 dq1 + 2 dq2 + dq3) / 6, and the same for the rate.
// The kind computes drive[s] in its force phase (a generalised force or an acceleration) and
// turns it into the rate increment h * acceleration before AdvanceStage. Recording keeps the
// committed value and rate of every frame beside the rigid state.
#include <cstddef>
#include <vector>

namespace korvan {

struct InternalCoordinate {
    double value[4] = {};  // q per stage
    double rate[4] = {};   // dq/dt per stage
    double drive[4] = {};  // the kind's drive on q per stage, then its rate increment
    double delta[4] = {};  // increments of q per stage

    void Start(double q0, double rate0) { value[0] = q0, rate[0] = rate0; }
    void ClearStage(int s) { drive[s] = 0, delta[s] = 0; }

    // drive[s] holds h * (acceleration of stage s) when this is called.
    void AdvanceStage(int s, double h) {
        static constexpr double kWeight[3] = {0.5, 0.5, 1.0};
        delta[s] = rate[s] * h;
        if (s < 3) {
            rate[s + 1] = rate[0] + kWeight[s] * drive[s];
            value[s + 1] = value[0] + kWeight[s] * delta[s];
            return;
        }
        rate[0] += (drive[0] + 2 * drive[1] + 2 * drive[2] + drive[3]) / 6;
        value[0] += (delta[0] + 2 * delta[1] + 2 * delta[2] + delta[3]) / 6;
    }

    // Recording: frames outside the record are ignored.
    void SetRecordLength(std::size_t frames) { records_.resize(frames); }
    void StoreFrame(int frame) {
        if (frame >= 0 && static_cast<std::size_t>(frame) < records_.size())
            records_[static_cast<std::size_t>(frame)] = {value[0], rate[0]};
    }
    void RestoreFrame(int frame) {
        if (frame < 0 || static_cast<std::size_t>(frame) >= records_.size()) return;
        value[0] = records_[static_cast<std::size_t>(frame)].value;
        rate[0] = records_[static_cast<std::size_t>(frame)].rate;
    }

  private:
    struct Frame {
        double value = 0, rate = 0;
    };
    std::vector<Frame> records_;
};

}  // namespace korvan
