#include "onboarding/OnboardingModel.h"

OnboardingModel::OnboardingModel(bool login) : login_(login) {}

void OnboardingModel::go(int p) {
    if (p < 0 || p >= pages || p == page_.peek())
        return;
    forward_.set(page_.peek() < p);
    page_.set(p);
}

Motion::Animation OnboardingModel::animation() {
    if (Motion::reduced())
        return {Motion::Animation::Kind::easeInOut, 0.2, 0, 0, 0};
    return {Motion::Animation::Kind::spring, 0, 0.5, 0.86, 0};
}
