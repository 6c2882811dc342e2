#pragma once
// INSERT: a reference to a block definition, and the opaque entity for every other kind.

#include <vector>

#include "platform/cad/simple_entities.h"

namespace cad {

class BlockReference final : public Entity {
 public:
  KESTRA_CAD_OBJECT(BlockReference, BlockReference)
  BlockReference() = default;
  BlockReference(std::string blockName, geom::Point3d position)
      : blockName_(std::move(blockName)), position_(position) {}

  const std::string& blockName() const { return blockName_; }
  void setBlockName(std::string n) { blockName_ = std::move(n), touch(); }
  geom::Point3d position() const { return position_; }  // OCS
  void setPosition(geom::Point3d p) { position_ = p, touch(); }
  geom::Vector3d scale() const { return scale_; }
  void setScale(geom::Vector3d s) { scale_ = s, touch(); }
  double rotationDegrees() const { return rotation_; }
  void setRotationDegrees(double r) { rotation_ = r, touch(); }
  const Extrusion& extrusion() const { return extrusion_; }
  void setExtrusion(const Extrusion& e) { extrusion_ = e, touch(); }

  // ATTRIB records and their SEQEND, kept as the file gave them. Their positions are not
  // modelled, so a reference that has attributes refuses to move (NotSupported).
  const std::vector<SubRecord>& attributes() const { return attributes_; }
  void setAttributes(std::vector<SubRecord> a, SubRecord seqend) {
    attributes_ = std::move(a), seqend_ = std::move(seqend);
  }
  const SubRecord& seqend() const { return seqend_; }

  // World point of a point given in block coordinates relative to the base point.
  geom::Point3d toWorld(geom::Point3d blockPoint, geom::Point3d basePoint) const;

  // Needs the block definition: use Database::extents(id).
  geom::Extents3d extents() const override { return {}; }
  Status translate(geom::Vector3d offset) override;

 private:
  friend class Database;
  friend class DeepCloner;
  BlockReference(const BlockReference&) = default;
  std::string blockName_;
  geom::Point3d position_;
  geom::Vector3d scale_{1.0, 1.0, 1.0};
  double rotation_ = 0.0;
  Extrusion extrusion_;
  std::vector<SubRecord> attributes_;
  SubRecord seqend_;
};

// Any entity the database does not model (MTEXT, HATCH, DIMENSION, 3DFACE, ...): kept
// whole by its source record; the database knows its type name, the common properties and,
// when the reader could tell, its extents.
class OpaqueEntity final : public Entity {
 public:
  KESTRA_CAD_OBJECT(OpaqueEntity, OpaqueEntity)
  OpaqueEntity() = default;
  explicit OpaqueEntity(std::string typeName) : typeName_(std::move(typeName)) {}

  const std::string& typeName() const { return typeName_; }
  void setKnownExtents(const geom::Extents3d& e) { extents_ = e; }
  // Sub-records that follow the entity in the file (e.g. a polyface mesh's vertices).
  const std::vector<SubRecord>& subRecords() const { return subRecords_; }
  void setSubRecords(std::vector<SubRecord> r) { subRecords_ = std::move(r); }

  geom::Extents3d extents() const override { return extents_; }
  Status translate(geom::Vector3d) override { return Status::NotSupported; }

 private:
  friend class Database;
  friend class DeepCloner;
  OpaqueEntity(const OpaqueEntity&) = default;
  std::string typeName_;
  geom::Extents3d extents_;
  std::vector<SubRecord> subRecords_;
};

}  // namespace cad
