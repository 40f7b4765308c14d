#version 120
// tunnel.vert - the hyperspace tunnel: a GLU cylinder whose texture
// coordinates run around the wall (s) and along it (t, 0 at the far base).
// The wall breathes in rings that travel towards the viewer with "timer".

uniform float timer;

varying vec2 wall;
varying float depth;

void main()
{
    wall = gl_MultiTexCoord0.st;
    float around = wall.s * 6.2831853;
    float swell = 1.0 + 0.05 * sin(wall.t * 50.0 - timer * 7.0 + around * 3.0);
    vec4 position = vec4(gl_Vertex.xy * swell, gl_Vertex.zw);
    vec4 eye = gl_ModelViewMatrix * position;
    depth = -eye.z;
    gl_Position = gl_ProjectionMatrix * eye;
}
