#ifndef PENDING_STEPS_H
#define PENDING_STEPS_H

#include <cstdint>

// Steps through the folder's listing asked for while a load was running, gathered into one:
// holding a key over large flows must not leave a queue of loads behind when it is let go.
class PendingSteps
{
public:
    // count files toward the end of the listing (negative: toward its start).
    void forward(int count);
    void toFirst();
    void toLast();

    bool isEmpty() const { return !pending_; }
    void clear() { *this = PendingSteps(); }

    // The browseStep that takes the stepping branch from index, in a listing of count names,
    // to where the steps lead. It has the wheel's sign: positive goes back. Steps gathered
    // past an end stop at it, as the same steps taken one by one would; a step from the end
    // itself keeps the wheel's value, which loads the current file again.
    int browseStep(int index, int count) const;

private:
    enum class Anchor { Here, First, Last };
    Anchor anchor_ = Anchor::Here;
    std::int64_t offset_ = 0;
    bool pending_ = false;
};

#endif // PENDING_STEPS_H
