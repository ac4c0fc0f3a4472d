#pragma once

#include <QImage>
#include <QString>
#include <functional>
#include <vector>

namespace tarvo {

class TIcon;

// A scanner as SANE reports it. `name` is what scan() takes.
struct ScannerInfo {
    QString name, vendor, model;
    // "Vendor Model (name)", for lists shown to the user.
    QString displayName() const;
};

// Called while an image arrives with 0..100; returning false cancels the scan.
using ScanProgress = std::function<bool(int percent)>;

// Local scanners only: probing the network can take many seconds. SANE is initialised on the
// first call and stays so until releaseSane(). Throws TError when SANE cannot start.
std::vector<ScannerInfo> listScanners();

// One image from `device` (empty: the first scanner SANE finds) with the scanner's own default
// settings, as Format_RGB32. Grey, colour, line-art and 16-bit frames are reduced to 8 bits per
// channel. Returns a null image when `progress` cancels; throws TError for a device that cannot be
// opened, a failed read or a frame this program cannot take (with the reason in the message). The
// device is closed again on every path.
QImage scan(const QString& device, const ScanProgress& progress = {});

// Scans and loads the picture into `icon` as the editor loads a picture file (a one-image
// document), through a private temporary BMP file that is removed on every path. Returns false
// when cancelled, leaving `icon` untouched; throws like scan() and TIcon::LoadFromFile.
bool scanIntoIcon(TIcon& icon, const QString& device, const ScanProgress& progress = {});
// The second half of scanIntoIcon, for images that come from elsewhere (a camera frame).
void loadImageIntoIcon(TIcon& icon, const QImage& image);

// Ends the SANE session; the next call starts a new one and reads the configuration again.
void releaseSane();

}  // namespace tarvo
