// Runs scenario lines against the real bundle in a print dialog of the host's, printing a
// transcript. The commands and checks are those of the host's scenario language (README).
#pragma once

#include "host/scenario/RunnerOptions.h"
#include "host/scenario/ScenarioReader.h"

#include <memory>
#include <ostream>
#include <string>
#include <vector>

enum class RunResult { Passed = 0, Failed = 1, Broken = 2 };

// Where the lines come from: a file's lines, or the terminal one at a time.
class LineSource {
  public:
    virtual ~LineSource() = default;
    // False when there are no more lines.
    virtual bool next(ScenarioLine* line) = 0;
};

// The lines of a scenario that has been read whole.
class ScenarioLines : public LineSource {
  public:
    explicit ScenarioLines(std::vector<ScenarioLine> lines) : lines_(std::move(lines)) {}
    bool next(ScenarioLine* line) override {
        if (at_ >= lines_.size()) {
            return false;
        }
        *line = lines_[at_++];
        return true;
    }

  private:
    std::vector<ScenarioLine> lines_;
    size_t at_ = 0;
};

class ScenarioRun;

class ScenarioRunner {
  public:
    // label names the scenario in messages ("demo.scenario"); folder is where its relative paths
    // start.
    ScenarioRunner(RunnerOptions options, std::string label, std::string folder, std::ostream& out);
    ~ScenarioRunner();
    ScenarioRunner(const ScenarioRunner&) = delete;
    ScenarioRunner& operator=(const ScenarioRunner&) = delete;

    RunResult run(LineSource& source);

  private:
    std::unique_ptr<ScenarioRun> run_;
};
