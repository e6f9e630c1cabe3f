#include "rebuild_program.h"

#include <zel/sim/ui.h>

namespace zel::bench {

RebuildProgram::RebuildProgram(const MachineShape& shape) : disks_(shape.disks) {
    sim::resetUi();
    sim::install(generateMachine(shape));
    app_ = std::make_unique<app::CZelSATAApp>();
    started_ = app_->InitInstance();
}

RebuildProgram::~RebuildProgram() {
    app_->ExitInstance();
    app_.reset();
    sim::resetUi();
}

bool RebuildProgram::ready() const { return started_ && app_->inventory().count() == disks_; }

} // namespace zel::bench
