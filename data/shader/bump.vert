#version 120
// bump.vert - hands the station's model-space position and its eye-space
// frame to bump.frag.

varying vec3 objPos;
varying vec3 eyePos;
varying vec3 eyeNormal;

void main()
{
    objPos = gl_Vertex.xyz;
    vec4 eye = gl_ModelViewMatrix * gl_Vertex;
    eyePos = eye.xyz;
    eyeNormal = gl_NormalMatrix * gl_Normal;
    gl_Position = gl_ProjectionMatrix * eye;
}
