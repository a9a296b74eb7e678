// velkaro-render-icons ICON.ico FOLDER: writes the icon's images as FOLDER/NxN/apps/velkaro.png for the hicolor
// theme: 16x16 and 32x32 as the .ico holds them (the richer of two same-sized images), and 64x64, 128x128 and
// 256x256 as whole-pixel enlargements of the 32x32 image, so its pixel drawing stays sharp.

#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QImageReader>
#include <QSet>

#include <cstdio>
#include <map>

namespace {

int fail(const QString &message)
{
    std::fprintf(stderr, "velkaro-render-icons: %s\n", qPrintable(message));
    return 1;
}

bool writeIcon(const QImage &image, const QString &folder)
{
    const QString sizeFolder = QStringLiteral("%1/%2x%3/apps").arg(folder).arg(image.width()).arg(image.height());
    return QDir().mkpath(sizeFolder) && image.save(sizeFolder + QStringLiteral("/velkaro.png"), "PNG");
}

} // namespace

int distinctColours(const QImage &image)
{
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x)
            colours.insert(image.pixel(x, y));
    }
    return int(colours.size());
}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 3)
        return fail(QStringLiteral("usage: velkaro-render-icons ICON.ico FOLDER"));

    QImageReader reader(arguments.at(1), "ico");
    std::map<int, QImage> richestBySize;
    for (int index = 0; index < reader.imageCount(); ++index) {
        QImage image;
        if (!reader.jumpToImage(index) || !reader.read(&image))
            return fail(arguments.at(1) + QStringLiteral(": ") + reader.errorString());
        image = image.convertToFormat(QImage::Format_ARGB32);
        QImage &kept = richestBySize[image.width()];
        if (kept.isNull() || distinctColours(image) > distinctColours(kept))
            kept = image;
    }
    if (!richestBySize.contains(16) || !richestBySize.contains(32))
        return fail(arguments.at(1) + QStringLiteral(" lacks a 16x16 or a 32x32 image"));

    const QImage &large = richestBySize.at(32);
    for (int factor : {2, 4, 8})
        richestBySize[32 * factor] = large.scaled(large.size() * factor, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    for (const auto &[size, image] : richestBySize) {
        if (!writeIcon(image, arguments.at(2)))
            return fail(QStringLiteral("cannot write the %1x%1 icon into %2").arg(size).arg(arguments.at(2)));
    }
    return 0;
}
