#include "ruvo/plugin/palette_position.h"

#include <QDomDocument>

#include "platform/ui/palette_set.h"
#include "platform/win/atomic_file.h"

namespace ruvo {

QDomElement FindChildElement(const QDomElement& node, const QString& name) {
  if (node.isNull()) return {};
  if (node.tagName().compare(name, Qt::CaseInsensitive) == 0) return node;
  for (QDomElement child = node.firstChildElement(); !child.isNull();
       child = child.nextSiblingElement()) {
    if (child.tagName().compare(name, Qt::CaseInsensitive) == 0) return child;
  }
  return {};
}

bool LoadPalettePosition(ui::PaletteSet& set, const std::filesystem::path& file) {
  const auto bytes = win::readFileBytes(file);
  if (!bytes) return false;
  QDomDocument doc;
  if (!doc.setContent(QByteArray::fromStdString(*bytes))) return false;
  const QDomElement ps = FindChildElement(doc.documentElement(), QStringLiteral("PS"));
  return set.load(ps.isNull() ? nullptr : &ps);
}

bool SavePalettePosition(const ui::PaletteSet& set, const std::filesystem::path& file) {
  QDomDocument doc;
  doc.appendChild(
      doc.createProcessingInstruction(QStringLiteral("xml"), QStringLiteral("version=\"1.0\"")));
  QDomElement ps = doc.createElement(QStringLiteral("PS"));
  if (ps.isNull()) return false;
  doc.appendChild(ps);
  set.save(ps);
  return win::writeFileAtomically(file, doc.toByteArray(2).toStdString());
}

}  // namespace ruvo
