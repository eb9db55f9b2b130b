// The pasteboard contract on the simulated pasteboard: its other programs are calls on it.

#include "platform/sim/SimPasteboard.h"
#include "platform/tests/PasteboardContract.h"

namespace quenda::testing {

class SimPasteboardDriver final : public PasteboardDriver {
  public:
    Pasteboard& pasteboard() override { return sim_; }

    void copyText(const QString& text) override {
        sim_.copy({.types = {"text/plain;charset=utf-8"}, .files = {}, .text = text, .png = {}});
    }
    void copyFiles(const std::vector<QString>& paths) override {
        sim_.copy({.types = {"text/uri-list"}, .files = paths, .text = {}, .png = {}});
    }
    void copyPng(const QByteArray& png) override {
        sim_.copy({.types = {"image/png"}, .files = {}, .text = {}, .png = png});
    }
    void copyMarked(const QString& marker, const QString& text) override {
        sim_.copy(
            {.types = {marker, "text/plain;charset=utf-8"}, .files = {}, .text = text, .png = {}});
    }
    void clear() override { sim_.clear(); }
    void selectText(const QString& text) override { sim_.select(text); }

    std::optional<QString> pasteText(bool selection) override {
        const std::optional<QString> text = selection ? sim_.selectionText() : sim_.current().text;
        if (text) sim_.takePaste();
        return text;
    }
    std::vector<QString> pasteFiles() override {
        if (!sim_.current().files.empty()) sim_.takePaste();
        return sim_.current().files;
    }
    std::optional<QByteArray> pastePng() override {
        if (sim_.current().png) sim_.takePaste();
        return sim_.current().png;
    }

  private:
    SimPasteboard sim_;
};

std::unique_ptr<PasteboardDriver> makeSimPasteboardDriver() {
    return std::make_unique<SimPasteboardDriver>();
}

INSTANTIATE_TEST_SUITE_P(Sim, PasteboardContract, ::testing::Values(&makeSimPasteboardDriver));

}  // namespace quenda::testing
