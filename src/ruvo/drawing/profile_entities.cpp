#include "ruvo/drawing/profile_entities.h"

#include "ruvo/drawing/entity_ops.h"

namespace ruvo {

void CreateShapes(cad::Database& db, const ProfileShapes& shapes, const std::string& linFile,
                  std::vector<cad::ObjectId>& ids) {
  for (const ProfileShape& shape : shapes) {
    cad::ObjectId id;
    if (const auto* p = std::get_if<ShapePolyline>(&shape)) {
      id = AddPolyline(db, p->points, p->width, p->layer);
      if (!id.isNull() && !p->linetype.empty()) {
        SetLinetype(db, id, p->linetype, linFile);
        if (auto e = db.openForWrite<cad::Entity>(id)) e->setLinetypeScale(p->linetypeScale);
      }
    } else if (const auto* s = std::get_if<ShapeSpline>(&shape)) {
      id = AddSpline(db, s->fitPoints, s->layer);
    } else {
      const auto& t = std::get<ShapeText>(shape);
      id = AddText(db, t.position, t.text, t.height, t.horizontal, t.vertical, t.layer);
    }
    if (!id.isNull()) ids.push_back(id);
  }
}

}  // namespace ruvo
