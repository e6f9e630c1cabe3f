#pragma once
// The tray program started on a generated machine, for measuring inventory rebuilds: the
// same start-up as the running program (which rebuilds once), ended again on destruction.

#include "machine_generator.h"

#include "zelsata_app.h"

#include <memory>

namespace zel::bench {

class RebuildProgram {
public:
    explicit RebuildProgram(const MachineShape& shape);
    ~RebuildProgram();
    RebuildProgram(const RebuildProgram&) = delete;
    RebuildProgram& operator=(const RebuildProgram&) = delete;

    // Whether start-up succeeded and the inventory offers every generated card disk.
    bool ready() const;
    void rebuild() { app_->RebuildInventory(); }
    const app::Inventory& inventory() const { return app_->inventory(); }

private:
    std::unique_ptr<app::CZelSATAApp> app_;
    bool started_ = false;
    int disks_;
};

// The machine every rebuild measurement uses: 26 card disks, 23 of them with a volume,
// and the system disk C: on the board.
inline MachineShape rebuildShape(int nodes, int fanOut = 8) { return MachineShape{nodes, 26, true, fanOut}; }

} // namespace zel::bench
