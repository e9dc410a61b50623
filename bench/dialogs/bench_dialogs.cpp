// The image dialog offscreen on generated pictures of growing size: a threshold change (the
// whole pipeline, the preview bitmap read back and shown) and one repaint of the preview's
// visible part. The peak resident memory of the process is reported with each case.
//
//   bench_dialogs [google benchmark options]

#include "bench/benchsupport.h"
#include "images/formimages.h"
#include "tests/support/scriptedui.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>

#include <cmath>
#include <string>

namespace {

// A smooth grey picture with fine texture, written as PNG.
std::string writePicture(const QTemporaryDir& dir, int side) {
  QImage image(side, side, QImage::Format_Grayscale8);
  for (int y = 0; y < side; ++y) {
    uchar* row = image.scanLine(y);
    for (int x = 0; x < side; ++x)
      row[x] = uchar(128 + 100 * std::sin(x * 0.01) * std::cos(y * 0.013) + 20 * std::sin(x * y * 0.0007));
  }
  const QString path = dir.filePath(QString("picture-%1.png").arg(side));
  image.save(path, "PNG");
  return path.toStdString();
}

// A dialog with the picture open, shown offscreen.
struct OpenDialog {
  explicit OpenDialog(int side) {
    picture = writePicture(dir, side);
    dialog.PreviewLocation(dir.filePath("tmp.bmp").toStdString());
    dialog.show();
    ui->fileAnswers.push_back(picture);
    dialog.findChild<QPushButton*>("cmdOpen")->click();
  }
  ~OpenDialog() {
    ui->answers.push_back(tavro::ui::vbYes);
    dialog.reject();
  }
  QTemporaryDir dir;
  std::string picture;
  tavro::ui::ScopedScriptedUi ui;
  tavro::formImages dialog;
};

void ThresholdChange(benchmark::State& state) {
  OpenDialog open(int(state.range(0)));
  auto* slider = open.dialog.findChild<QSlider*>("sldThreshold");
  int value = 100;
  for (auto _ : state) {
    slider->setValue(value);
    value = value == 100 ? 150 : 100;
  }
  state.counters["peak_MB"] = tavro::bench::peakMegabytes();
}
BENCHMARK(ThresholdChange)->Arg(256)->Arg(1024)->Arg(4096)->Unit(benchmark::kMillisecond);

void PreviewRepaint(benchmark::State& state) {
  OpenDialog open(int(state.range(0)));
  QWidget* viewer = open.dialog.findChild<QWidget*>("picPictureViewer");
  QWidget* scroller = open.dialog.findChild<QWidget*>("ssPicScroll");
  for (auto _ : state) {
    // What the scroller shows: the viewer's top-left corner, as large as the scroller.
    QPixmap shown = viewer->grab(QRect(QPoint(0, 0), scroller->size()));
    benchmark::DoNotOptimize(shown);
  }
  state.counters["peak_MB"] = tavro::bench::peakMegabytes();
}
BENCHMARK(PreviewRepaint)->Arg(256)->Arg(4096)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  int qtArgc = 1;
  QApplication app(qtArgc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
