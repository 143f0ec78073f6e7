#include "assets/VexLib3D.h"

#include "gl/GL.h"

// Drawing a loaded model in immediate mode: lit meshes, and the point cloud of its corners.

void TMS3DObj::Draw(const TXYZ& AmbientRGB, const TXYZ& DiffuseRGB) {
  if (!Loaded) return;
  for (const T3DMesh& mesh : Meshes) {
    if (mesh.MaterialIndex < 0 || mesh.MaterialIndex >= int32_t(Materials.size())) continue;
    TMaterial& m = Materials[size_t(mesh.MaterialIndex)];
    m.Ambient[0] = AmbientRGB.X;
    m.Ambient[1] = AmbientRGB.Y;
    m.Ambient[2] = AmbientRGB.Z;
    m.Diffuse[0] = DiffuseRGB.X;
    m.Diffuse[1] = DiffuseRGB.Y;
    m.Diffuse[2] = DiffuseRGB.Z;
    DrawMesh(mesh);
  }
}

void TMS3DObj::DrawMesh(const T3DMesh& Mesh) const {
  if (!Loaded) return;
  if (Mesh.MaterialIndex < 0 || Mesh.MaterialIndex >= int32_t(Materials.size())) return;
  const TMaterial& m = Materials[size_t(Mesh.MaterialIndex)];
  const int32_t count = int32_t(Mesh.DrawVertices.size());
  glEnable(GL_LIGHTING);
  glMaterialfv(GL_FRONT, GL_AMBIENT, m.Ambient);
  glMaterialfv(GL_FRONT, GL_DIFFUSE, m.Diffuse);
  glMaterialfv(GL_FRONT, GL_SPECULAR, m.Specular);
  glMaterialfv(GL_FRONT, GL_SHININESS, &m.Shininess);
  glMaterialfv(GL_FRONT, GL_EMISSION, m.Emissive);
  if (m.HasTexture) {
    UseAdditiveTexture(m.TextureName, m.Transparent);
    glBegin(GL_TRIANGLES);
    for (const TMeshTriangle& tri : Mesh.Triangles) {
      for (const int32_t v : {tri.V1, tri.V2, tri.V3}) {
        if (v < 0 || v >= count) continue;
        const TMeshVertex& d = Mesh.DrawVertices[size_t(v)];
        glTexCoord2f(d.U, d.V);
        glNormal3f(d.Normal.X, d.Normal.Y, d.Normal.Z);
        glVertex3f(d.Position.X, d.Position.Y, d.Position.Z);
      }
    }
    glEnd();
    glDisable(GL_LIGHTING);
    glDisable(GL_ALPHA_TEST);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
  } else {
    glBegin(GL_TRIANGLES);
    for (const TMeshTriangle& tri : Mesh.Triangles) {
      for (const int32_t v : {tri.V1, tri.V2, tri.V3}) {
        if (v < 0 || v >= count) continue;
        const TXYZ& p = Mesh.DrawVertices[size_t(v)].Position;
        glNormal3f(tri.FaceNormal.X, tri.FaceNormal.Y, tri.FaceNormal.Z);
        glVertex3f(p.X, p.Y, p.Z);
      }
    }
    glEnd();
    glDisable(GL_ALPHA_TEST);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
  }
}

void TMS3DObj::DrawPoints() const {
  if (!Loaded) return;
  for (const T3DMesh& mesh : Meshes) {
    const int32_t count = int32_t(mesh.DrawVertices.size());
    glDisable(GL_LIGHTING);
    glColor3f(PointColour.X, PointColour.Y, PointColour.Z);
    glPointSize(2);
    glBegin(GL_POINTS);
    for (const TMeshTriangle& tri : mesh.Triangles) {
      for (const int32_t v : {tri.V1, tri.V2, tri.V3}) {
        if (v < 0 || v >= count) continue;
        const TXYZ& p = mesh.DrawVertices[size_t(v)].Position;
        glVertex3f(p.X, p.Y, p.Z);
      }
    }
    glEnd();
  }
}

void UseAdditiveTexture(uint32_t TextureName, bool Transparent) {
  glBindTexture(GL_TEXTURE_2D, TextureName);
  glEnable(GL_TEXTURE_2D);
  glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  glEnable(GL_ALPHA_TEST);
  glAlphaFunc(GL_GEQUAL, 0.01f);
  glEnable(GL_BLEND);
  if (Transparent) glDepthMask(GL_TRUE);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE);
}
