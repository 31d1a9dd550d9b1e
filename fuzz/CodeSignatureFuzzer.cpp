// libFuzzer target for the readers of untrusted signature data: Mach-O headers and slices,
// the embedded-signature super blob, code directories, requirement sets in binary and text
// form, and CMS messages.
#include "FuzzInput.h"
#include "platform/codesign/Anchors.h"
#include "platform/codesign/CmsSignature.h"
#include "platform/codesign/EmbeddedSignature.h"
#include "platform/codesign/MachO.h"
#include "platform/codesign/Requirement.h"

#include <QBuffer>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    const int mode = data[0] % 4;
    QByteArray bytes(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    static const Anchors noAnchors;
    switch (mode) {
    case 0: {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        const auto slices = MachO::slices(buffer);
        if (!slices)
            break;
        for (const MachO::Slice& slice : *slices) {
            const auto signature = MachO::signatureBytes(buffer, slice);
            if (signature)
                EmbeddedSignature::parse(*signature);
        }
        break;
    }
    case 1: {
        const auto signature = EmbeddedSignature::parse(bytes);
        if (!signature)
            break;
        for (const CodeDirectory& cd : signature->codeDirectories) {
            for (uint32_t i = 0; i < std::min<uint32_t>(cd.codeSlots, 64); ++i)
                cd.codeSlot(i);
            for (uint32_t slot = 1; slot <= cd.specialSlots && slot < 16; ++slot)
                cd.hasSpecialSlot(slot);
            cd.cdhash20();
        }
        if (signature->requirements)
            Requirement::fromSet(*signature->requirements, Requirement::designatedType);
        if (!signature->cms.isEmpty())
            CmsSignature::verify(signature->cms, signature->primary().bytes, noAnchors);
        break;
    }
    case 2: {
        if (const auto requirement = Requirement::fromSet(bytes, Requirement::designatedType))
            requirement->evaluate({});
        if (const auto requirement = Requirement::fromBlob(bytes)) {
            requirement->text();
            requirement->evaluate({});
        }
        break;
    }
    case 3: {
        if (const auto requirement = Requirement::parse(QString::fromUtf8(bytes))) {
            Requirement::parse(requirement->text());
            requirement->evaluate({});
        }
        CmsSignature::verify(bytes, QByteArray("content"), noAnchors);
        break;
    }
    }
    return 0;
}
