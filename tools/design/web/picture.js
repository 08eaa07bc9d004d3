// Pictures for people: the station drawn off screen at a chosen size, without
// markers, grid or selection, on the view's background or a transparent one,
// as PNG. The scene is drawn in linear light into a half-float target, then
// encoded to sRGB by a last pass of our own (three.js encodes only what goes
// to the screen), so the picture has the colours of the view.

import * as THREE from 'three';

export const MAX_WIDTH = 3840;
export const MAX_HEIGHT = 2160;

const ENCODE = new THREE.ShaderMaterial({
  uniforms: { map: { value: null } },
  vertexShader: 'varying vec2 vUv; void main() { vUv = uv; gl_Position = vec4(position.xy, 0.0, 1.0); }',
  fragmentShader: `uniform sampler2D map; varying vec2 vUv;
    void main() {
      vec4 c = texture2D(map, vUv);
      vec3 rgb = c.a > 0.0 ? clamp(c.rgb / c.a, 0.0, 1.0) : vec3(0.0);
      vec3 s = mix(rgb * 12.92, 1.055 * pow(rgb, vec3(1.0 / 2.4)) - 0.055, step(0.0031308, rgb));
      gl_FragColor = vec4(s, c.a);
    }`,
  depthTest: false,
  depthWrite: false,
});

// The viewer's station as a PNG blob of width x height pixels (each 1 ..
// the maximum), seen from the viewer's camera, showing at least what the view shows.
export async function stationPicture(viewer, width, height, transparent) {
  width = Math.max(1, Math.min(MAX_WIDTH, Math.round(width)));
  height = Math.max(1, Math.min(MAX_HEIGHT, Math.round(height)));
  const { renderer, scene } = viewer;
  // What the view shows stays in the picture: a narrower picture widens the field of view.
  const camera = viewer.camera.clone();
  camera.aspect = width / height;
  if (camera.aspect < viewer.camera.aspect) {
    const tan = Math.tan(THREE.MathUtils.degToRad(viewer.camera.fov) / 2) * (viewer.camera.aspect / camera.aspect);
    camera.fov = THREE.MathUtils.radToDeg(2 * Math.atan(tan));
  }
  camera.updateProjectionMatrix();
  const linear = new THREE.WebGLRenderTarget(width, height, { type: THREE.HalfFloatType, samples: viewer.software ? 0 : 4 });
  const encoded = new THREE.WebGLRenderTarget(width, height);
  const quad = new THREE.Mesh(new THREE.PlaneGeometry(2, 2), ENCODE);
  const quadScene = new THREE.Scene();
  quadScene.add(quad);
  const hidden = [viewer.helpers, viewer.markers, viewer.selectionBox, ...(viewer.overlapBoxes || [])].filter(Boolean);
  const background = scene.background;
  const clear = renderer.getClearColor(new THREE.Color()), clearAlpha = renderer.getClearAlpha();
  const pixels = new Uint8Array(width * height * 4);
  try {
    for (const o of hidden) o.visible = false;
    if (transparent) scene.background = null;
    renderer.setClearColor(0x000000, 0);
    renderer.setRenderTarget(linear);
    renderer.render(scene, camera);
    ENCODE.uniforms.map.value = linear.texture;
    renderer.setRenderTarget(encoded);
    renderer.render(quadScene, camera);
    renderer.readRenderTargetPixels(encoded, 0, 0, width, height, pixels);
  } finally {
    renderer.setRenderTarget(null);
    renderer.setClearColor(clear, clearAlpha);
    scene.background = background;
    for (const o of hidden) o.visible = true;
    linear.dispose();
    encoded.dispose();
    quad.geometry.dispose();
    viewer.render();
  }
  // GL rows run bottom to top.
  const canvas = document.createElement('canvas');
  canvas.width = width;
  canvas.height = height;
  const image = new ImageData(width, height);
  const row = width * 4;
  for (let y = 0; y < height; ++y) image.data.set(pixels.subarray((height - 1 - y) * row, (height - y) * row), y * row);
  canvas.getContext('2d').putImageData(image, 0, 0);
  return new Promise((resolve) => canvas.toBlob(resolve, 'image/png'));
}
