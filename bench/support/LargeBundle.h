#pragma once

#include "LargeFile.h"

#include "BundleBuilder.h"
#include "MachOBuilder.h"
#include "TestPki.h"

// Builds at `path` a universal application signed for a team, of about 200 MiB in 1,200 sealed
// resource files, and gives its path. Benchmarks using it link the tests' builders.
inline QString buildLargeBundle(const QString& path) {
    BundleBuilder builder(path);
    builder.signedBy(&TestPki::shared().teamA).architectures({MachOBuilder::x86_64, MachOBuilder::arm64});
    for (int i = 0; i < 1200; ++i)
        builder.resource(QStringLiteral("Part%1/file%2.dat").arg(i % 30).arg(i),
                         pseudoRandom(160 * 1024 + i, quint32(i)));
    return builder.build().path;
}
