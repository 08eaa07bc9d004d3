// The 3D view: the station's blocks as the server built them (one glb per
// distinct block geometry, placed by the build's translation and rotation),
// the free ports the editor asks for as markers coloured by kind, a grid and
// axes in metres, orbit / pan / zoom, framing and picking. Markers are picked
// on screen, against a depth image of the station drawn once per view.

import * as THREE from 'three';
import { OrbitControls } from 'three/addons/controls/OrbitControls.js';
import { GLTFLoader } from 'three/addons/loaders/GLTFLoader.js';
import * as api from './api.js';
import { nearestVisible, PICK_RADIUS } from './picking.js';
import { PORT_KINDS } from './ports.js';

// Distance along the view axis of each fragment, for the depth image.
const DEPTH_MATERIAL = new THREE.ShaderMaterial({
  vertexShader: 'varying float vDepth; void main() { vec4 mv = modelViewMatrix * vec4(position, 1.0); vDepth = -mv.z; gl_Position = projectionMatrix * mv; }',
  fragmentShader: 'varying float vDepth; void main() { gl_FragColor = vec4(vDepth, 0.0, 0.0, 1.0); }',
  side: THREE.DoubleSide,
});
// Builds a block's geometry stays held after its last use.
const KEEP_MESHES_FOR = 8;
// The depth image is drawn at this fraction of the view's CSS size.
const DEPTH_SCALE = 0.5;

export const BACKGROUND = 0x1b2230;


// True when WebGL runs on a software rasteriser (no GPU), where multisampling
// costs more than a frame is worth waiting for.
function softwareRenderer() {
  const gl = document.createElement('canvas').getContext('webgl2');
  if (!gl) return false;
  const info = gl.getExtension('WEBGL_debug_renderer_info');
  const name = info ? gl.getParameter(info.UNMASKED_RENDERER_WEBGL) : gl.getParameter(gl.RENDERER);
  gl.getExtension('WEBGL_lose_context')?.loseContext();
  return /swiftshader|llvmpipe|software/i.test(String(name));
}

export class Viewer {
  constructor(canvas) {
    this.canvas = canvas;
    this.software = softwareRenderer();
    this.renderer = new THREE.WebGLRenderer({ canvas, antialias: !this.software, preserveDrawingBuffer: true });
    this.renderer.setPixelRatio(window.devicePixelRatio || 1);
    this.scene = new THREE.Scene();
    this.scene.background = new THREE.Color(BACKGROUND);
    this.camera = new THREE.PerspectiveCamera(45, 1, 0.1, 5000);
    this.camera.position.set(30, 20, 30);
    this.controls = new OrbitControls(this.camera, canvas);
    this.controls.screenSpacePanning = true;
    this.controls.zoomToCursor = true;
    this.controls.addEventListener('change', () => { this.depth = null; this.render(); });

    this.scene.add(new THREE.HemisphereLight(0xdfe8ff, 0x303040, 1.6));
    const sun = new THREE.DirectionalLight(0xffffff, 2.2);
    sun.position.set(40, 60, 30);
    this.scene.add(sun);

    this.helpers = new THREE.Group();
    this.scene.add(this.helpers);
    this.blocksGroup = new THREE.Group();
    this.scene.add(this.blocksGroup);
    this.markers = new THREE.Group();
    this.scene.add(this.markers);
    this.selectionBox = null;

    this.loader = new GLTFLoader();
    this.meshes = new Map();     // mesh key -> Promise<THREE.Object3D> (block geometry, own frame)
    this.objects = new Map();    // block id -> { key, object }
    this.raycaster = new THREE.Raycaster();
    this.frameHooks = [];        // called once after the next frame is drawn
    this.depth = null;           // { width, height, data } of the station as seen now; null when stale
    this.hovered = null;         // the highlighted marker mesh

    new ResizeObserver(() => this.resize()).observe(canvas.parentElement);
    this.resize();
    this.setGrid(20);
  }

  resize() {
    const el = this.canvas.parentElement;
    const w = Math.max(1, el.clientWidth), h = Math.max(1, el.clientHeight);
    this.renderer.setSize(w, h, false);
    this.depth = null;
    this.camera.aspect = w / h;
    this.camera.updateProjectionMatrix();
    this.render();
  }

  // A 1 m grid and a 10 m grid in the station's x-z plane, and 5 m axes.
  setGrid(radius) {
    this.helpers.clear();
    const size = Math.max(20, Math.ceil((radius * 2.2) / 10) * 10);
    const fine = new THREE.GridHelper(size, size, 0x2c3646, 0x242d3b);
    const coarse = new THREE.GridHelper(size, size / 10, 0x46546a, 0x46546a);
    for (const g of [fine, coarse]) {
      g.material.depthWrite = false;
      this.helpers.add(g);
    }
    this.helpers.add(new THREE.AxesHelper(5));
  }

  render() {
    if (this.pending) return;
    this.pending = requestAnimationFrame(() => {
      this.pending = 0;
      this.renderer.render(this.scene, this.camera);
      const hooks = this.frameHooks;
      this.frameHooks = [];
      for (const h of hooks) h();
    });
  }

  // Resolves once a frame drawn after this call is on the canvas.
  nextFrame() {
    return new Promise((resolve) => { this.frameHooks.push(resolve); this.render(); });
  }

  meshFor(key) {
    if (!this.meshes.has(key)) {
      const p = api.getMesh(key)
        .then((buf) => this.loader.parseAsync(buf, ''))
        .then((gltf) => gltf.scene);
      p.catch(() => this.meshes.delete(key));
      this.meshes.set(key, p);
    }
    return this.meshes.get(key);
  }

  // Shows the blocks of a build: geometry already held is reused, a new key
  // is fetched once. Resolves when every block is in the scene.
  async showBuild(blocks) {
    const wanted = new Set(blocks.map((b) => String(b.id)));
    const loaded = await Promise.all(blocks.map((b) => this.meshFor(b.mesh)));
    for (const [id, entry] of this.objects) {
      if (!wanted.has(id)) {
        this.blocksGroup.remove(entry.object);
        this.objects.delete(id);
      }
    }
    blocks.forEach((b, i) => {
      const id = String(b.id);
      let entry = this.objects.get(id);
      if (!entry || entry.key !== b.mesh) {
        if (entry) this.blocksGroup.remove(entry.object);
        const object = loaded[i].clone();
        object.userData.blockId = id;
        object.traverse((o) => { o.userData.blockId = id; });
        entry = { key: b.mesh, object };
        this.objects.set(id, entry);
        this.blocksGroup.add(object);
      }
      entry.object.position.fromArray(b.position);
      entry.object.quaternion.fromArray(b.rotation);
    });
    // Drop geometry the last few builds did not use (kept that long, an undo or a repeated paste needs no fetch).
    this.generation = (this.generation || 0) + 1;
    this.lastUsed = this.lastUsed || new Map();
    for (const b of blocks) this.lastUsed.set(b.mesh, this.generation);
    for (const key of [...this.meshes.keys()]) {
      if (this.generation - (this.lastUsed.get(key) || 0) > KEEP_MESHES_FOR) {
        this.meshes.delete(key);
        this.lastUsed.delete(key);
      }
    }
    this.depth = null;
    this.updateSelection();
    this.render();
  }

  // Shows markers at `ports` ([{ block, port, name, kind, position, direction }])
  // and nowhere else. Markers grow with the station so that they stay visible
  // when it is framed whole; the station hides those behind it.
  showMarkers(ports) {
    this.markers.clear();
    this.hovered = null;
    const extent = new THREE.Box3().setFromObject(this.blocksGroup);
    const radius = extent.isEmpty() ? 10 : extent.getBoundingSphere(new THREE.Sphere()).radius;
    const size = Math.max(0.35, radius / 90);
    const geometry = new THREE.SphereGeometry(size, 16, 12);
    for (const p of ports) {
      const kind = PORT_KINDS[p.kind] || { colour: 0xffffff };
      const material = new THREE.MeshBasicMaterial({ color: kind.colour, transparent: true, opacity: 0.92 });
      const m = new THREE.Mesh(geometry, material);
      m.renderOrder = 10;
      m.position.fromArray(p.position).addScaledVector(new THREE.Vector3().fromArray(p.direction), size);
      m.userData = { ...p, size };
      this.markers.add(m);
    }
    this.render();
  }

  // The station's depth image as seen now, drawn when the view changed.
  stationDepth() {
    if (this.depth) return this.depth;
    const el = this.canvas.parentElement;
    const width = Math.max(1, Math.round(el.clientWidth * DEPTH_SCALE)), height = Math.max(1, Math.round(el.clientHeight * DEPTH_SCALE));
    if (!this.depthTarget || this.depthTarget.width !== width || this.depthTarget.height !== height) {
      this.depthTarget?.dispose();
      this.depthTarget = new THREE.WebGLRenderTarget(width, height, { type: THREE.FloatType });
    }
    const hidden = [this.helpers, this.markers, this.selectionBox].filter(Boolean);
    for (const o of hidden) o.visible = false;
    const background = this.scene.background;
    const clear = this.renderer.getClearColor(new THREE.Color()), clearAlpha = this.renderer.getClearAlpha();
    this.scene.background = null;
    this.scene.overrideMaterial = DEPTH_MATERIAL;
    this.renderer.setClearColor(0x000000, 0);
    this.renderer.setRenderTarget(this.depthTarget);
    this.renderer.render(this.scene, this.camera);
    const data = new Float32Array(width * height * 4);
    this.renderer.readRenderTargetPixels(this.depthTarget, 0, 0, width, height, data);
    this.renderer.setRenderTarget(null);
    this.renderer.setClearColor(clear, clearAlpha);
    this.scene.overrideMaterial = null;
    this.scene.background = background;
    for (const o of hidden) o.visible = true;
    this.depth = { width, height, data };
    // The canvas is drawn again at once: a compositor may otherwise show part of it blank
    // when it draws the page before the next frame.
    this.renderer.render(this.scene, this.camera);
    return this.depth;
  }

  // The station's depth at a point of the view (CSS pixels from its corner); Infinity where none is drawn.
  depthAt(x, y) {
    const d = this.stationDepth();
    const px = Math.min(d.width - 1, Math.max(0, Math.floor(x * DEPTH_SCALE)));
    const py = Math.min(d.height - 1, Math.max(0, d.height - 1 - Math.floor(y * DEPTH_SCALE)));
    const i = (py * d.width + px) * 4;
    return d.data[i + 3] > 0 ? d.data[i] : Infinity;
  }

  // Each marker in view coordinates (CSS pixels) with its depth.
  projectedMarkers() {
    const r = this.canvas.getBoundingClientRect();
    const view = this.camera.matrixWorldInverse;
    const v = new THREE.Vector3();
    return this.markers.children.map((m) => {
      v.copy(m.position).applyMatrix4(view);
      const depth = -v.z;
      v.copy(m.position).project(this.camera);
      const behind = v.z > 1 || depth <= 0;
      return { x: ((v.x + 1) / 2) * r.width, y: ((1 - v.y) / 2) * r.height, depth: behind ? Infinity : depth,
               slack: 2 * m.userData.size + depth * 0.002, mesh: m };
    });
  }

  // The marker a person points at with the pointer at client (x, y): the
  // nearest one on screen within the pick radius that the station does not
  // hide, as its port ({ block, port, name, kind, position, direction }), or null.
  markerAt(clientX, clientY, radius = PICK_RADIUS) {
    if (!this.markers.children.length) return null;
    const r = this.canvas.getBoundingClientRect();
    const points = this.projectedMarkers();
    const i = nearestVisible(points, clientX - r.left, clientY - r.top, (x, y) => this.depthAt(x, y), radius);
    return i < 0 ? null : points[i].mesh.userData;
  }

  // Highlights the marker of `port` (null: none); true when that changed the picture.
  hover(port) {
    const m = port ? this.markers.children.find((c) => c.userData.block === port.block && c.userData.port === port.port) : null;
    if (m === this.hovered) return false;
    if (this.hovered) {
      this.hovered.scale.setScalar(1);
      this.hovered.material.color.setHex((PORT_KINDS[this.hovered.userData.kind] || { colour: 0xffffff }).colour);
    }
    this.hovered = m || null;
    if (m) {
      m.scale.setScalar(1.8);
      m.material.color.setHex(0xffffff);
    }
    this.render();
    return true;
  }

  // Draws a red box around every block that cuts into another (ids), and
  // none around the rest.
  markOverlaps(ids) {
    for (const box of this.overlapBoxes || []) {
      this.scene.remove(box);
      box.dispose();
    }
    this.overlapBoxes = [];
    for (const id of new Set(ids.map(String))) {
      const entry = this.objects.get(id);
      if (!entry) continue;
      const box = new THREE.BoxHelper(entry.object, 0xff3030);
      box.material.depthTest = false;
      box.renderOrder = 8;
      box.userData.overlap = id;
      this.scene.add(box);
      this.overlapBoxes.push(box);
    }
    this.render();
  }

  select(id) {
    this.selected = id === null ? null : String(id);
    this.updateSelection();
    this.render();
  }

  updateSelection() {
    if (this.selectionBox) {
      this.scene.remove(this.selectionBox);
      this.selectionBox.dispose();
      this.selectionBox = null;
    }
    const entry = this.selected !== null && this.selected !== undefined ? this.objects.get(this.selected) : null;
    if (entry) {
      this.selectionBox = new THREE.BoxHelper(entry.object, 0xffe066);
      this.selectionBox.material.depthTest = false;
      this.selectionBox.renderOrder = 9;
      this.scene.add(this.selectionBox);
    }
  }

  // Moves the camera so that the whole station fills the view, looking from where it looks now.
  frameAll() {
    this.frame(this.blocksGroup.children.map((o) => new THREE.Box3().setFromObject(o)), true);
  }

  // Frames the block `id` (with a margin), keeping the direction of view; false when it is not drawn.
  frameBlock(id) {
    const entry = this.objects.get(String(id));
    if (!entry) return false;
    this.frame([new THREE.Box3().setFromObject(entry.object)], false);
    return true;
  }

  // Puts the camera on its current line of sight through the centre of the
  // boxes, at the distance where every corner of every box is inside the view
  // (a box per block hugs a spread-out station closer than one box around it).
  frame(boxes, regrid) {
    const box = new THREE.Box3();
    for (const b of boxes) box.union(b);
    if (box.isEmpty()) return;
    const centre = box.getCenter(new THREE.Vector3());
    const back = this.camera.position.clone().sub(this.controls.target);
    if (back.lengthSq() < 1e-12) back.set(1, 0.7, 1.1);
    back.normalize();
    const right = new THREE.Vector3().crossVectors(this.camera.up, back).normalize();
    const up = new THREE.Vector3().crossVectors(back, right);
    const tanV = Math.tan(THREE.MathUtils.degToRad(this.camera.fov) / 2);
    const tanH = tanV * this.camera.aspect;
    let distance = 0;
    const c = new THREE.Vector3();
    for (const b of boxes) {
      if (b.isEmpty()) continue;
      for (let i = 0; i < 8; ++i) {
        c.set(i & 1 ? b.max.x : b.min.x, i & 2 ? b.max.y : b.min.y, i & 4 ? b.max.z : b.min.z).sub(centre);
        const z = c.dot(back);
        distance = Math.max(distance, z + Math.abs(c.dot(right)) / tanH, z + Math.abs(c.dot(up)) / tanV);
      }
    }
    distance = Math.max(distance * 1.08, 1);
    const radius = box.getBoundingSphere(new THREE.Sphere()).radius;
    this.camera.position.copy(centre).addScaledVector(back, distance);
    this.camera.near = Math.max(0.05, distance / 1000);
    this.camera.far = distance * 10 + radius * 4;
    this.camera.updateProjectionMatrix();
    this.controls.target.copy(centre);
    this.controls.update();
    if (regrid) this.setGrid(radius + centre.length());
    this.depth = null;
    this.render();
  }

  // The block under a canvas point (client coordinates), or null.
  blockAt(clientX, clientY) {
    const r = this.canvas.getBoundingClientRect();
    const ndc = new THREE.Vector2(((clientX - r.left) / r.width) * 2 - 1, -((clientY - r.top) / r.height) * 2 + 1);
    this.raycaster.setFromCamera(ndc, this.camera);
    const b = this.raycaster.intersectObjects(this.blocksGroup.children, true);
    return b.length ? b[0].object.userData.blockId : null;
  }

  // Client coordinates of the marker of a block's port, or null when it has none.
  markerScreenPosition(blockId, port) {
    const m = this.markers.children.find((c) => c.userData.block === String(blockId) && c.userData.port === port);
    if (!m) return null;
    const v = m.position.clone().project(this.camera);
    const r = this.canvas.getBoundingClientRect();
    return { x: r.left + ((v.x + 1) / 2) * r.width, y: r.top + ((1 - v.y) / 2) * r.height };
  }

  // The station-frame box around these objects.
  boxOf(objects) {
    const box = new THREE.Box3();
    for (const o of objects) box.expandByObject(o);
    return box;
  }

  // Client coordinates of a station point ([x, y, z]).
  project(point) {
    const v = new THREE.Vector3().fromArray(point).project(this.camera);
    const r = this.canvas.getBoundingClientRect();
    return { x: r.left + ((v.x + 1) / 2) * r.width, y: r.top + ((1 - v.y) / 2) * r.height };
  }

  // The markers shown, each with `visible`: inside the view and not hidden by the station.
  markerList() {
    const r = this.canvas.getBoundingClientRect();
    return this.projectedMarkers().map((p) => ({
      block: p.mesh.userData.block, port: p.mesh.userData.port, name: p.mesh.userData.name, kind: p.mesh.userData.kind,
      visible: p.x >= 0 && p.y >= 0 && p.x < r.width && p.y < r.height && p.depth <= this.depthAt(p.x, p.y) + p.slack,
    }));
  }
}
