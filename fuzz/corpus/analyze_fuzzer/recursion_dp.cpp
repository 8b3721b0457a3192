int memo[100][100];
int go(int i,int j){ if(i>=n) return 0; int &r=memo[i][j]; if(r!=-1) return r; return r=max(go(i+1,j),go(i,j+1)); }
int main(){ vector<vector<int>> adj(n); queue<int> q; q.push(0); while(!q.empty()){int u=q.front();q.pop();for(int v:adj[u]) q.push(v);} sort(a.begin(),a.end()); }
