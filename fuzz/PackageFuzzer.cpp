// Feeds arbitrary bytes to the package image reader and to extraction. The bytes go in as an
// image (wrapped in a stored-form stream, so extraction sees exactly them) or, when the first
// byte is odd, the bytes after it as a whole package file. Extraction must never place a file outside the
// extraction root, and nothing may crash.

#include "interaction/Prompter.h"
#include "loader/PackageLoader.h"
#include "package/PackageImage.h"

#include <QCoreApplication>
#include <QDirIterator>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

namespace {

class AnswerNo : public fendrel::Prompter {
public:
    fendrel::MessageAnswer show(const QString &, fendrel::MessageIcon, fendrel::MessageButtons buttons,
                                const QString &) override
    {
        return buttons == fendrel::MessageButtons::Ok ? fendrel::MessageAnswer::Ok : fendrel::MessageAnswer::No;
    }
};

QCoreApplication *application()
{
    static int argc = 1;
    static char name[] = "package_fuzzer";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return &app;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    application();
    const QByteArrayView bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    QString error;
    (void)fendrel::readPackageImage(bytes, &error);

    QTemporaryDir root;
    const QString packagePath = root.filePath(QStringLiteral("fuzz.lab"));
    QFile package(packagePath);
    if (!package.open(QIODevice::WriteOnly))
        return 0;
    if (size == 0 || (data[0] & 1) == 0) {
        package.write("HE0\r");
        package.write(bytes.data(), bytes.size());
    } else {
        package.write(bytes.data() + 1, bytes.size() - 1);
    }
    package.close();

    AnswerNo prompter;
    const QString data_dir = root.filePath(QStringLiteral("data"));
    fendrel::extractPack(packagePath, data_dir, prompter);

    QDirIterator files(root.path(), QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString file = files.next();
        if (file != packagePath && file != data_dir + QStringLiteral("/Fendrel.ini")
            && !file.startsWith(data_dir + QStringLiteral("/CompilerLabs/")))
            std::abort();
    }
    return 0;
}
