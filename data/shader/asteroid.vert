#version 120
// asteroid.vert - turns a GLUT sphere into a lumpy rock: every point moves
// along its normal by noise of its direction on the sphere.

varying vec3 rock;      // position on the unit sphere, scaled for texture
varying vec3 eyePos;

float hash(vec3 p)
{
    return fract(sin(dot(p, vec3(12.9898, 78.233, 37.719))) * 43758.5453);
}

float valueNoise(vec3 p)
{
    vec3 i = floor(p);
    vec3 f = fract(p);
    vec3 u = f * f * (3.0 - 2.0 * f);
    float a = mix(hash(i), hash(i + vec3(1.0, 0.0, 0.0)), u.x);
    float b = mix(hash(i + vec3(0.0, 1.0, 0.0)), hash(i + vec3(1.0, 1.0, 0.0)), u.x);
    float c = mix(hash(i + vec3(0.0, 0.0, 1.0)), hash(i + vec3(1.0, 0.0, 1.0)), u.x);
    float d = mix(hash(i + vec3(0.0, 1.0, 1.0)), hash(i + vec3(1.0, 1.0, 1.0)), u.x);
    return mix(mix(a, b, u.y), mix(c, d, u.y), u.z);
}

void main()
{
    vec3 n = normalize(gl_Normal);
    float lumps = valueNoise(n * 1.8 + 3.0) * 0.6 + valueNoise(n * 4.5) * 0.3 + valueNoise(n * 9.0) * 0.1;
    vec4 position = vec4(gl_Vertex.xyz * (0.55 + lumps * 0.75), 1.0);
    rock = n * 3.0;
    vec4 eye = gl_ModelViewMatrix * position;
    eyePos = eye.xyz;
    gl_Position = gl_ProjectionMatrix * eye;
}
