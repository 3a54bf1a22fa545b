#pragma once

#include "cli/Interruption.h"
#include "cli/ProgressBar.h"
#include "loader/PackageLoader.h"
#include "package/PackageCompiler.h"

namespace fendrel::cli {

// Shows the phases and progress of a compilation or an extraction on the progress bar.
class BarObserver : public CompileObserver, public ExtractObserver {
public:
    explicit BarObserver(ProgressBar &bar) : m_bar(bar) {}
    void gatheringStarted() override { m_bar.phase(QStringLiteral("Compiling Lab Package")); }
    void compressingStarted() override { m_bar.phase(QStringLiteral("Compressing Lab Package...")); }
    void decodingStarted() override { m_bar.phase(QStringLiteral("Extracting lab package")); }
    void decodingFinished() override { m_bar.end(true); }
    void progress(int percent) override { m_bar.draw(percent); }
    bool cancelled() const override { return InterruptionGuard::interrupted(); }

private:
    ProgressBar &m_bar;
};

} // namespace fendrel::cli
