#version 120
// ship_pos.vert - the ship over the terrain (vertex stage only; the fixed
// fragment stage paints the colour computed here).
//
// Lights each vertex with light 0 the way the fixed pipeline would, adds a
// cool rim so the hull stands out against the dark land, lets the ship hover
// gently and makes the exhaust pulse with "timer" (the distance flown).
// The ship's paint comes from its own layout (skepp.obj, nose along +z):
// material changes inside one glBegin/glEnd run do not reach a shader on
// every driver, so the shader knows where the canopy, engines, cannons,
// stripes and lamps are instead of reading gl_FrontMaterial.

uniform float timer;

// paint of the part at model position p: rgb, and specular strength in a
void paint(vec3 p, out vec3 color, out float shine)
{
    float ax = abs(p.x);
    color = vec3(0.72, 0.74, 0.78);
    shine = 0.6;
    if (p.y > 26.0 && p.z > 100.0 && p.z < 265.0 && ax < 25.0) {
        color = vec3(0.08, 0.2, 0.32);
        shine = 1.0;
    } else if (ax < 8.5 && p.y > 45.0) {
        color = vec3(0.45, 0.47, 0.52);
    } else if (ax > 253.0 && p.y < -17.0 && ax < 271.0) {
        color = vec3(0.12, 0.12, 0.14);
    } else if (ax > 266.0) {
        color = p.x < 0.0 ? vec3(1.0, 0.1, 0.1) : vec3(0.1, 1.0, 0.3);
    } else if (ax > 44.0 && ax < 104.0 && p.y < 20.0 && p.z < -8.0) {
        color = (p.z < -228.0 && p.z > -240.0) ? vec3(0.9, 0.25, 0.1) : vec3(0.3, 0.31, 0.34);
        shine = 0.8;
    } else if (ax > 56.0 && ax < 75.0 && p.y < 5.0 && p.z > 19.0 && p.z < 101.0) {
        color = vec3(0.12, 0.12, 0.14);
    } else if (p.y > 92.0 && p.z < -249.0) {
        color = vec3(0.9, 0.25, 0.1);
    }
}

void main()
{
    vec4 position = gl_Vertex;
    position.y += 18.0 * sin(timer * 0.045);
    vec4 eye = gl_ModelViewMatrix * position;
    vec3 n = normalize(gl_NormalMatrix * gl_Normal);
    vec3 view = normalize(-eye.xyz);
    vec3 toLight = gl_LightSource[0].position.xyz - eye.xyz * gl_LightSource[0].position.w;
    vec3 l = dot(toLight, toLight) > 1.0e-8 ? normalize(toLight) : view;

    vec3 base;
    float shine;
    paint(gl_Vertex.xyz, base, shine);
    vec3 color = base * 0.6 * (gl_LightModel.ambient.rgb + gl_LightSource[0].ambient.rgb);
    float diffuse = max(dot(n, l), 0.0);
    color += base * gl_LightSource[0].diffuse.rgb * diffuse;
    if (diffuse > 0.0)
        color += gl_LightSource[0].specular.rgb * shine * pow(max(dot(n, normalize(l + view)), 0.0), 60.0);
    color += vec3(0.12, 0.22, 0.32) * pow(1.0 - abs(dot(n, view)), 3.0);
    float exhaust = smoothstep(-296.0, -320.0, gl_Vertex.z);
    color += vec3(0.3, 0.8, 1.0) * exhaust * (0.6 + 0.4 * sin(timer * 0.9));
    gl_FrontColor = vec4(clamp(color, 0.0, 1.0), 1.0);
    gl_BackColor = gl_FrontColor;
    gl_Position = gl_ProjectionMatrix * eye;
}
