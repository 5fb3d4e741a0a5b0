// What the answers buy a learner: 2,000 words, 180 days, at most 200 words
// shown a day, studied by a simulated learner whose memory is not the
// trainer's model (exponential forgetting whose half-life doubles on each
// recall and halves on each lapse, the words' difficulty spread). Each
// schedule is run on the same learners (the same seeds); the figure is the
// words the learner recalls with 90% or more on day 180.
//
// - fixed: the study plan without answers (groups of 10, N new groups a day,
//   the fixed review days), the best N for the budget;
// - answers: the same plan with every shown word answered, groups moved by
//   their words and the hard words' group first;
// - SM-2: each word on its own by the classic SM-2 rule, the best number of
//   new words a day.
//
// usage: kelp_bench_answers [learners, default 20]
#include "memory/word_memory.h"
#include "plan/plan_schedule.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

namespace {

using namespace kelp;

constexpr int kWords = 2000;
constexpr int kDays = 180;
constexpr int kBudget = 200; // words shown a day
constexpr int kGroupSize = 10;
constexpr long long kDay0 = 2460000;
const plan::ReviewDays kFixedDays{0, 1, 2, 4, 7, 15, 30, 60};

// The learner: a half-life per word, set at the first showing from the
// word's difficulty, doubled by a recall, halved by a lapse.
struct Learner {
    std::vector<double> firstHalfLife;
    std::vector<double> halfLife;
    std::vector<long long> last; // the day last seen; 0: never
    std::mt19937 random;

    explicit Learner(unsigned seed) : halfLife(kWords, 0), last(kWords, 0), random(seed)
    {
        std::lognormal_distribution<double> spread(std::log(1.5), 0.6);
        for (int i = 0; i < kWords; ++i)
            firstHalfLife.push_back(std::clamp(spread(random), 0.3, 8.0));
    }
    double recall(int w, long long day) const
    {
        return last[w] == 0 ? 0.0 : std::exp2(-static_cast<double>(day - last[w]) / halfLife[w]);
    }
    // Shows word `w` on `day`: true when it was recalled (a first showing teaches it).
    bool show(int w, long long day)
    {
        if (last[w] == 0) {
            halfLife[w] = firstHalfLife[w];
            last[w] = day;
            return false;
        }
        const bool recalled = std::uniform_real_distribution<double>(0, 1)(random) < recall(w, day);
        halfLife[w] = recalled ? halfLife[w] * 2 : std::max(0.3, halfLife[w] / 2);
        last[w] = day;
        return recalled;
    }
    int strongOn(long long day) const
    {
        int n = 0;
        for (int w = 0; w < kWords; ++w)
            n += recall(w, day) >= 0.9 ? 1 : 0;
        return n;
    }
};

// The study plan as the trainer runs it; with `answers` every word shown
// after its first showing is answered, and the plan moves by them.
int runPlan(unsigned seed, int newPerDay, bool answers)
{
    Learner learner(seed);
    const memory::Model model;
    std::vector<plan::PlanGroup> groups;
    int nextGroup = 0;
    std::vector<std::optional<memory::MemoryState>> memory(kWords);
    std::vector<long long> answeredOn(kWords, 0), memoryDue(kWords, 0);
    std::vector<bool> forgotten(kWords, false), hard(kWords, false);
    std::vector<long long> hardSince(kWords, 0);
    const auto answer = [&](int w, long long day, bool known) {
        memory[w] = model.next(memory[w], known ? memory::Grade::Good : memory::Grade::Again,
                               memory[w] ? day - answeredOn[w] : 0);
        answeredOn[w] = day;
        memoryDue[w] = day + model.intervalDays(memory[w]->stability);
        forgotten[w] = !known;
        if (!known) {
            hard[w] = true;
            hardSince[w] = day;
        } else if (hard[w] && day > hardSince[w]) {
            hard[w] = false;
        }
    };
    for (long long day = kDay0; day < kDay0 + kDays; ++day) {
        int shown = 0;
        if (answers) {
            // The hard words' group first, while any of them is due.
            std::vector<int> hardWords;
            bool anyDue = false;
            for (int w = 0; w < kWords; ++w)
                if (hard[w]) {
                    hardWords.push_back(w);
                    anyDue = anyDue || memoryDue[w] <= day;
                }
            if (anyDue)
                for (int w : hardWords) {
                    if (shown >= kBudget)
                        break;
                    answer(w, day, learner.show(w, day));
                    ++shown;
                }
        }
        const int room = (kBudget - shown) / kGroupSize;
        const std::vector<size_t> due = plan::dueOn(groups, day, room);
        const auto showGroup = [&](plan::PlanGroup &g) {
            std::vector<plan::WordDue> graded;
            for (int w = g.number * kGroupSize; w < (g.number + 1) * kGroupSize; ++w) {
                const bool firstTime = learner.last[w] == 0;
                const bool recalled = learner.show(w, day);
                if (answers && !firstTime)
                    answer(w, day, recalled);
                if (answers && memory[w])
                    graded.push_back({memoryDue[w], forgotten[w]});
            }
            shown += kGroupSize;
            if (answers && !graded.empty()) {
                // Answered words keep their group in the plan past its last
                // fixed review: it comes back when its weakest word falls due.
                if (g.stage == plan::kRetired) {
                    g.stage = 7;
                    g.due = day + plan::interval(7, kFixedDays);
                }
                g.due = std::max(plan::dueByWords(g.due, graded), day + 1);
            }
        };
        for (size_t i : due) {
            plan::show(groups[i], day, kFixedDays);
            showGroup(groups[i]);
        }
        const int fresh = std::min(newPerDay, room - static_cast<int>(due.size()));
        for (int k = 0; k < fresh && (nextGroup + 1) * kGroupSize <= kWords; ++k) {
            groups.push_back(plan::introduce(nextGroup++, day, kFixedDays));
            showGroup(groups.back());
        }
    }
    return learner.strongOn(kDay0 + kDays);
}

// SM-2, each word on its own: recalled is quality 4, a lapse quality 1.
int runSm2(unsigned seed, int newPerDay)
{
    Learner learner(seed);
    std::vector<double> ease(kWords, 2.5);
    std::vector<int> reps(kWords, 0);
    std::vector<long long> interval(kWords, 0), due(kWords, 0);
    int nextWord = 0;
    for (long long day = kDay0; day < kDay0 + kDays; ++day) {
        std::vector<int> dueWords;
        for (int w = 0; w < nextWord; ++w)
            if (due[w] <= day)
                dueWords.push_back(w);
        std::stable_sort(dueWords.begin(), dueWords.end(), [&due](int a, int b) { return due[a] < due[b]; });
        if (dueWords.size() > static_cast<size_t>(kBudget))
            dueWords.resize(kBudget);
        for (int w : dueWords) {
            const bool recalled = learner.show(w, day);
            const int q = recalled ? 4 : 1;
            ease[w] = std::max(1.3, ease[w] + 0.1 - (5 - q) * (0.08 + (5 - q) * 0.02));
            if (!recalled) {
                reps[w] = 0;
                interval[w] = 1;
            } else {
                ++reps[w];
                interval[w] = reps[w] == 1 ? 1 : reps[w] == 2 ? 6 : std::llround(interval[w] * ease[w]);
            }
            due[w] = day + interval[w];
        }
        const int room = kBudget - static_cast<int>(dueWords.size());
        for (int k = 0; k < std::min(newPerDay, room) && nextWord < kWords; ++k) {
            const int w = nextWord++;
            learner.show(w, day);
            interval[w] = 1;
            due[w] = day + 1;
        }
    }
    return learner.strongOn(kDay0 + kDays);
}

struct Figure {
    double mean = 0, low = 0, high = 0;
};

template <typename Run>
Figure over(int learners, Run run)
{
    std::vector<double> v;
    for (int s = 0; s < learners; ++s)
        v.push_back(run(static_cast<unsigned>(1000 + s)));
    std::sort(v.begin(), v.end());
    double sum = 0;
    for (double x : v)
        sum += x;
    return {sum / static_cast<double>(v.size()), v.front(), v.back()};
}

} // namespace

int main(int argc, char **argv)
{
    const int learners = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    std::printf("%d learners, %d words, %d days, at most %d words a day; words recalled at 90%%+ on day %d "
                "(mean, min-max)\n",
                learners, kWords, kDays, kBudget, kDays);
    Figure fixedBest, answersBest, sm2Best;
    int fixedN = 0, answersN = 0, sm2N = 0;
    for (int n = 1; n <= 6; ++n) {
        const Figure fixed = over(learners, [n](unsigned s) { return runPlan(s, n, false); });
        const Figure withAnswers = over(learners, [n](unsigned s) { return runPlan(s, n, true); });
        std::printf("new=%d groups a day: fixed %.0f (%.0f-%.0f), answers %.0f (%.0f-%.0f)\n", n, fixed.mean, fixed.low,
                    fixed.high, withAnswers.mean, withAnswers.low, withAnswers.high);
        if (fixed.mean > fixedBest.mean) {
            fixedBest = fixed;
            fixedN = n;
        }
        if (withAnswers.mean > answersBest.mean) {
            answersBest = withAnswers;
            answersN = n;
        }
    }
    for (int n : {10, 20, 30, 40, 60}) {
        const Figure sm2 = over(learners, [n](unsigned s) { return runSm2(s, n); });
        std::printf("SM-2, %d new words a day: %.0f (%.0f-%.0f)\n", n, sm2.mean, sm2.low, sm2.high);
        if (sm2.mean > sm2Best.mean) {
            sm2Best = sm2;
            sm2N = n;
        }
    }
    std::printf("best: fixed %.0f (new=%d), answers %.0f (new=%d), SM-2 %.0f (%d a day)\n", fixedBest.mean, fixedN,
                answersBest.mean, answersN, sm2Best.mean, sm2N);
    std::printf("answers / fixed: %.2fx; answers / SM-2: %.2fx\n", answersBest.mean / fixedBest.mean,
                answersBest.mean / sm2Best.mean);
    return 0;
}
