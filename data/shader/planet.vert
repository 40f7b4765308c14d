#version 120
// planet.vert - hands the sphere's model-space normal (where on the globe),
// its eye-space frame and the current colour to planet.frag.

varying vec3 globe;
varying vec3 eyeNormal;
varying vec3 eyePos;

void main()
{
    globe = normalize(gl_Normal);
    eyeNormal = gl_NormalMatrix * gl_Normal;
    vec4 eye = gl_ModelViewMatrix * gl_Vertex;
    eyePos = eye.xyz;
    gl_FrontColor = gl_Color;
    gl_Position = gl_ProjectionMatrix * eye;
}
