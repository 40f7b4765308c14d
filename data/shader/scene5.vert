#version 120
// scene5.vert - a general per-pixel lighting program for lit, coloured
// geometry (kept with the demo's shaders; the title card loads it).

varying vec3 eyeNormal;
varying vec3 eyePos;

void main()
{
    eyeNormal = gl_NormalMatrix * gl_Normal;
    vec4 eye = gl_ModelViewMatrix * gl_Vertex;
    eyePos = eye.xyz;
    gl_FrontColor = gl_Color;
    gl_Position = gl_ProjectionMatrix * eye;
}
