#ifndef ZOLSAX2_TOOLS_ORDEREDRUNNER_H
#define ZOLSAX2_TOOLS_ORDEREDRUNNER_H

#include <cstddef>
#include <functional>
#include <string>

namespace zolsax2 {

class InputList;
class Progress;

// Processes a command's inputs on several threads and hands the results back in the order
// of the inputs, so that the output is byte for byte that of one thread.
//
// Each input gets a slot, numbered below window(); a worker fills the slot and the calling
// thread then empties it, in input order. At most window() inputs are in flight, which
// bounds the memory of buffered output however long the list. Worker w only ever runs on
// one thread at a time, so state indexed by w (a parser, say) needs no lock; create it
// before run(), on the calling thread.
class OrderedRunner {
public:
    // Fills slot for the input named name, on worker worker's thread.
    using Work = std::function<void(std::size_t worker, std::size_t slot, const std::string& name)>;
    // Empties slot on the calling thread, in input order.
    using Emit = std::function<void(std::size_t slot, const std::string& name)>;

    // A runner with jobs workers; with one, everything runs on the calling thread. Up to
    // window inputs are in flight (0: four per worker).
    explicit OrderedRunner(std::size_t jobs, std::size_t window = 0);

    // The number of slots.
    std::size_t window() const noexcept { return jobs == 1 ? 1 : slots; }
    // Runs work and emit for every input, showing progress while it waits. An exception
    // from work is thrown again here when its slot's turn comes, after the workers stop.
    void run(InputList& inputs, Progress& progress, const Work& work, const Emit& emit);

private:
    void runParallel(InputList& inputs, Progress& progress, const Work& work, const Emit& emit);

    std::size_t jobs;
    std::size_t slots;
};

} // namespace zolsax2

#endif
