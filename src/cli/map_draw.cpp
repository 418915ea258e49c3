// The kelvarin-cli-map module, which draws for `kelvarin-cli map`: the zone seen
// from above, drawn by the editor's own map renderer with a legend, the whole zone
// (of the kinds asked for) in view. Records whose coordinates are NaN or
// infinite cannot be drawn; they are listed on stdout. Needs no display: the
// picture is drawn off screen.
#include <QBuffer>
#include <QByteArray>
#include <QGuiApplication>
#include <QImage>
#include <charconv>
#include <cstdio>
#include <cmath>
#include <memory>
#include <ostream>
#include <type_traits>
#include <vector>

#include "cli/cliio.h"
#include "cli/mapmodule.h"
#include "common/filesystem.h"
#include "map/core/zoneindex.h"
#include "map/render/maprenderer.h"
#include "mob/filelog.h"
#include "mob/kindnames.h"
#include "mob/recordrules.h"
#include "mob/tmob.h"

namespace kelvarin {
namespace {

// Big enough for a poster, small enough that the picture fits in memory.
constexpr int kMaxSide = 8192;

bool ParseSize(const std::string& text, int& width, int& height) {
  const auto x = text.find('x');
  if (x == std::string::npos) return false;
  const char* begin = text.data();
  const auto [wEnd, wErr] = std::from_chars(begin, begin + x, width);
  const auto [hEnd, hErr] = std::from_chars(begin + x + 1, begin + text.size(), height);
  return wErr == std::errc() && hErr == std::errc() && wEnd == begin + x && hEnd == begin + text.size() &&
         width >= 1 && height >= 1 && width <= kMaxSide && height <= kMaxSide;
}

bool ParseKinds(const std::string& text, TKindMask& kinds, std::string& bad) {
  kinds = TKindMask::None();
  std::size_t from = 0;
  while (from <= text.size()) {
    const std::size_t comma = std::min(text.find(',', from), text.size());
    const std::string key = text.substr(from, comma - from);
    const auto kind = ObjKindFromKey(key);
    if (!kind) {
      bad = key;
      return false;
    }
    kinds.Set(*kind, true);
    from = comma + 1;
  }
  return true;
}

// The box around the placed records of `kinds`; nullopt when there are none.
std::optional<TMapRect> BoundsOf(const TZoneIndex& zone, TKindMask kinds) {
  std::optional<TMapRect> box;
  zone.ForEachPlaced(kinds, [&](const TMapPoint& p) {
    if (!box) box = TMapRect{p.x, p.y, p.x, p.y};
    box->minX = std::min(box->minX, double(p.x));
    box->maxX = std::max(box->maxX, double(p.x));
    box->minY = std::min(box->minY, double(p.y));
    box->maxY = std::max(box->maxY, double(p.y));
  });
  return box;
}

std::string FloatText(float v) {
  if (std::isnan(v)) return "NaN";
  if (std::isinf(v)) return v < 0 ? "-inf" : "inf";
  char buffer[64];
  const auto r = std::to_chars(buffer, buffer + sizeof buffer, v);
  return std::string(buffer, r.ptr);
}

// Loads the zone into `zone` and takes the identities of its unplaced records of
// `kinds`, which the listing names. The records stay in the file image, mapped,
// and the index reads their positions one record at a time; the image is let go
// before anything is drawn, so the peak is the file or the drawing, not both.
bool IndexZone(const std::string& file, TKindMask kinds, TZoneIndex& zone, std::vector<std::int32_t>& unplacedIds,
               TCliIo& io) {
  TMob mob;
  mob.RecordsStayInImage = true;
  if (!mob.Load(file)) {
    io.err << mob.LogText;
    return false;
  }
  zone.Build(mob);
  for (const TObjRef& ref : zone.Unplaced())
    if (kinds.Has(ref.kind)) unplacedIds.push_back(IdentityOf(mob, ref));
  return true;
}

// The editor's renderer needs a QGuiApplication (fonts); the command makes one
// that draws off screen when the process has none.
class TOffscreenGui {
 public:
  TOffscreenGui() {
    if (QGuiApplication::instance()) return;
    // Qt's notes about the platform (no runtime folder and the like) are not
    // the command's output.
    m_previousHandler = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
      if (type == QtCriticalMsg || type == QtFatalMsg) std::fprintf(stderr, "%s\n", qPrintable(text));
    });
    m_app = std::make_unique<QGuiApplication>(m_argc, m_argv);
  }
  ~TOffscreenGui() {
    if (!m_app) return;
    m_app.reset();
    qInstallMessageHandler(m_previousHandler);
  }
  TOffscreenGui(const TOffscreenGui&) = delete;
  TOffscreenGui& operator=(const TOffscreenGui&) = delete;

 private:
  char m_name[16] = "kelvarin-cli";
  char m_option[16] = "-platform";
  char m_platform[16] = "offscreen";
  char* m_argv[4] = {m_name, m_option, m_platform, nullptr};
  int m_argc = 3;
  std::unique_ptr<QGuiApplication> m_app;
  QtMessageHandler m_previousHandler = nullptr;
};

int DrawMap(const TMapRequest& request, TCliIo& io) {
  const std::string& size = request.size;
  const std::string& out = request.out;
  int width = 0, height = 0;
  if (!ParseSize(size, width, height)) {
    io.err << "--size: expected WIDTHxHEIGHT with each side from 1 to " << kMaxSide << ", got \"" << size
           << "\"\n";
    return kExitUsage;
  }
  TKindMask kinds = TKindMask::All();
  std::string bad;
  if (!ParseKinds(request.kinds, kinds, bad)) {
    io.err << "--kinds: unknown kind \"" << bad << "\"; the kinds are";
    for (ObjKind kind : kAllObjKinds) io.err << ' ' << ObjKindKey(kind);
    io.err << "\n";
    return kExitUsage;
  }

  TZoneIndex zone;
  std::vector<std::int32_t> unplacedIds;
  if (!IndexZone(request.file, kinds, zone, unplacedIds, io)) return kExitFailed;

  TOffscreenGui gui;
  TMapScene scene;
  scene.zone = &zone;
  scene.visible = kinds;
  scene.legend = true;
  scene.view.SetViewport(width, height);
  if (const auto bounds = BoundsOf(zone, kinds)) scene.view.Fit(*bounds);
  TMapRenderer renderer;
  const QImage image = renderer.Render(scene);

  // Written as every file is (ReplaceFile): a target that is no regular file is
  // refused, and a failed write leaves any earlier picture as it was.
  QByteArray png;
  QBuffer buffer(&png);
  if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG")) {
    io.err << out << ": the picture cannot be encoded as PNG\n";
    return kExitFailed;
  }
  SetOverwriteInPlace(request.overwriteInPlace);
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(png.constData());
  const TWriteResult written = WriteFileAtomically(Files(), out, Bytes(bytes, bytes + png.size()));
  if (!written.ok()) {
    io.err << out << ": the picture cannot be written: " << WriteFailureText(written) << "\n";
    return kExitFailed;
  }

  if (!unplacedIds.empty()) {
    io.out << "Not drawn, coordinates not finite (" << unplacedIds.size() << "):\n";
    auto id = unplacedIds.begin();
    for (const TObjRef& ref : zone.Unplaced()) {
      if (!kinds.Has(ref.kind)) continue;
      const auto pos = zone.Position(ref);
      io.out << "  " << ObjKindKey(ref.kind) << " #" << ref.index
             << " " << IdentityFieldName(ref.kind) << " " << *id++ << ": x " << FloatText(pos->x)
             << ", y " << FloatText(pos->y) << "\n";
    }
  }
  return kExitOk;
}

}  // namespace

}  // namespace kelvarin

extern "C" __attribute__((visibility("default"))) int kelvarin_cli_map_draw_v2(const kelvarin::TMapRequest& request,
                                                                               kelvarin::TCliIo& io) {
  return kelvarin::DrawMap(request, io);
}
static_assert(std::is_same_v<decltype(&kelvarin_cli_map_draw_v2), kelvarin::MapDrawFunction>);
