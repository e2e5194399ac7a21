#include "monitor/cpu_load.h"

#include <cmath>

double cpu_history[cpu_history_size] = {};
std::atomic<double> cpu_load{0.0};
std::atomic<double> cpu_load_percent{0.0};

void reset_cpu_history() {
    for (double &slot : cpu_history)
        slot = 0.0;
}

double average_load(double load) {
    cpu_history[0] = cpu_history[1];
    cpu_history[1] = cpu_history[2];
    cpu_history[2] = load;
    return (cpu_history[0] + cpu_history[1] + cpu_history[2]) / 3;
}

double combined_load(double sum, int n) {
    if (std::isnan(sum) || sum < 0 || sum > n)
        sum = 0;
    if (n > 1)
        sum /= n;
    return sum;
}
